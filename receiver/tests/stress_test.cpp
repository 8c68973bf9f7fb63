// A long transfer at the highest speed: every line arrives complete and in order.
#include <QList>
#include <QtGlobal>

#include "pty_line.h"
#include "ui_driver.h"

namespace tembra::test {
namespace {

using TembraStress = ReceiverFixture;

QByteArray numberedLine(int number) {
    QByteArray line = QByteArray::number(number).rightJustified(6, '0') + ' ';
    while (line.size() < 80) line += static_cast<char>('A' + (number + line.size()) % 26);
    return line;
}

// TEMBRA_STRESS_LINES shortens the run where the code is slow anyway (the sanitizer build).
int lineCount() {
    bool ok = false;
    const int count = qEnvironmentVariableIntValue("TEMBRA_STRESS_LINES", &ok);
    return ok && count > 0 ? count : 10000;
}

TEST_F(TembraStress, TenThousandLinesAtFullLineRateArriveCompleteAndInOrder) {
    const int lines = lineCount();
    PtyLine line;
    qputenv("TEMBRA_COM4", line.slavePath().toLocal8Bit());
    writeSetup(4, "38400");
    startForm();  // the real idle wait and pass limit

    QByteArray sent;
    QByteArray expected;
    for (int i = 0; i < lines; ++i) {
        sent += numberedLine(i) + '\n';
        expected += numberedLine(i) + "\r\n";
    }
    sent += "END";
    line.sendPaced(sent, 38400);
    receive(400000);
    line.waitUntilSent();

    const QByteArray stored = output();
    EXPECT_EQ(storedLines_.size(), lines);
    EXPECT_EQ(stored.size(), expected.size());
    ASSERT_TRUE(stored == expected)
        << "first difference at byte "
        << std::mismatch(stored.begin(), stored.end(), expected.begin(), expected.end()).first -
               stored.begin();
    EXPECT_EQ(statusTexts().value(3), "Eseguito ...");
}

}  // namespace
}  // namespace tembra::test
