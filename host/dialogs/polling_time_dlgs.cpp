// "Polling Data file", "Automatic Time Synchronize", "Time Synchronize", the input line and
// "Remote configuration KD24".
