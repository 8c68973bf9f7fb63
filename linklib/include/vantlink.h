/*
 * vantlink: the terminal link library.
 *
 * One plain C function per terminal operation. All functions take and return 32-bit integers
 * and caller-owned buffers; no exceptions cross this interface. Everything runs on the caller's
 * thread and only one call may be in progress at a time (the library has process-wide state).
 *
 * Ports. Port numbers 0..4 name COM0..COM4. COM<n> is the device path in the environment
 * variable VANTLINK_COM<n> when it is set, else the device named with HC_set_port_device, else
 * /dev/ttyS<n-1>. Other port numbers are refused.
 * Every open of a device (and every re-open after a lost line) asks its driver for low latency
 * (ASYNC_LOW_LATENCY through TIOCGSERIAL/TIOCSSERIAL): USB-serial adapters otherwise hold
 * received bytes for up to 16 ms, which cuts the polls per second several times over. A device
 * without the setting (a pseudo-terminal, some drivers) opens all the same. The trace says which
 * in "<ms> ! COM<n> open <path>: low latency on" (or "already on", "not offered by this device",
 * "not kept by this device", "refused: <reason>"). Where it is not on, an adapter
 * whose driver has a latency timer can be set by hand: write 1 (milliseconds) to
 * /sys/bus/usb-serial/devices/ttyUSB0/latency_timer (a udev rule can do it on every plug).
 *
 * Device servers. A device may also be a serial device server's URL: tcp://HOST:PORT for a raw
 * byte stream, rfc2217://HOST:PORT for Telnet with COM port control (RFC 2217). HOST is a name,
 * an IPv4 address or an IPv6 address in brackets ([::1]); PORT is 1..65535. The open connects
 * within the time-out (HM_get_time_out, at least 500 ms, at most 30 s); a name is resolved on a
 * helper thread that the open waits for no longer, since the system's resolver cannot be
 * interrupted. Over rfc2217:// the open asks for COM port control, binary and no go-ahead both
 * ways, refuses every other option, sets the line's speed, data size, parity and stop size and
 * purges the server's receive buffer; 0xFF is doubled both ways. A server that refuses COM port
 * control or does not take it up within the time-out is not opened (a raw port named rfc2217://).
 * Over tcp:// bytes pass unchanged and the line runs at the device server's own settings; the
 * speed given to the open still times the line (below). The trace says
 * "<ms> ! COM<n> open <url>" and, when the server keeps a setting of its own,
 * "<ms> ! COM<n> device server kept its <speed|data size|parity|stop size>: <value bytes>".
 * A carrier lost behind the server (its modem state) is said as "<ms> ! COM<n> carrier lost" and
 * "carrier back"; it is no lost line: the modem reports it as on a serial line, with
 * "NO CARRIER" in the data, and the modem commands stay usable to dial again.
 * The server cannot tell when its UART has sent the bytes, so after a write the answer time-out
 * opens once their line time (ten bits a byte at the open's speed) has passed. A connection that
 * breaks (closed, reset, no answer to keep-alive probes) is a lost line as below, made again at
 * most every 500 ms, each step within the wait it runs in; the reason names HOST:PORT. A bad URL,
 * a name that does not resolve, a refused connection or a time-out is an open error
 * ("<ms> ! COM<n> open error: <reason>").
 *
 * Terminal addresses are one character in the low byte of a 32-bit argument ('A'..'Y', '0'..'6').
 *
 * Trace. VANTLINK_TRACE=<file> appends one line per byte burst: millisecond timestamp,
 * direction ('>' sent, '<' received), port, bytes in hex with control bytes named. "-" is stderr.
 * HM_set_trace_handler also hands the same bytes, unformatted, to a function of the caller.
 *
 * Lost lines. A device that hangs up or goes away (a USB adapter pulled out) is closed and
 * opened again with the same settings once it is back, tried at most every 500 ms while an
 * operation runs. Meanwhile operations find the line silent: they wait as for a terminal that
 * does not answer and return what it gives (4 for HM_poll). The trace says
 * "<ms> ! COM<n> line lost: <reason>" and "<ms> ! COM<n> line back"; HC_line_state tells.
 * When the path then names another device than the one first opened (another device number:
 * a link re-pointed, another adapter in the old one's place), the trace says
 * "<ms> ! COM<n> line back on another device: <path> (<old major:minor> -> <new>)" and
 * HC_line_state gives 2: the terminals behind it may not be the ones the caller expects.
 * A /dev/serial/by-id/ path follows its adapter, so a re-plugged adapter comes back on it.
 * A write that fails is traced as "<ms> ! COM<n> write failed, not sent: <bytes>".
 *
 * Waits. Every wait of the library calls the message pump installed with HM_set_message_pump
 * once per pass, so a GUI caller stays responsive while a command runs. HM_set_cancel ends
 * them all at once.
 */
#ifndef VANTLINK_H
#define VANTLINK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Return codes of the HM_ functions. */
#define RC_SUCCESS 0
#define RC_MORE 1                    /* step functions: one block moved, call again */
#define RC_ILLEGAL_COMMAND 2         /* terminal refused the command or its argument */
#define RC_HOST_NAK 3                /* terminal answered NAK (or bad checks, mapping 1) */
#define RC_TIME_OUT 4                /* no answer within the time-out */
#define RC_UNKNOWN_RESPONSE 5        /* answer of a kind the command does not expect */
#define RC_BCC_ERROR 6               /* eleven answers in a row failed the check (mapping 2) */
#define RC_NO_DATA 7                 /* poll: the terminal has no data */
#define RC_POWER_SAVING_OFF_FAILED 9 /* wake-up failed; the command was not sent */
#define RC_NOT_EXIST 48              /* file or program does not exist */
#define RC_ILLEGAL_FILE_NAME 49
#define RC_NAME_NOT_CHANGEABLE 51 /* upload in New mode: no free local name */
#define RC_FILE_OPEN_ERROR 52     /* local upload file cannot be created or written */
#define RC_NO_PROGRAM 53
#define RC_FROM_FLASH_ROM 54
#define RC_RAM_DISK_NOT_EMPTY 64
#define RC_OUT_OF_MEMORY 65
#define RC_UPLOAD_MODE 80
#define RC_NO_TRANSFER 252 /* download step without an open download */

/* Exchange outcomes (the values of the bytes they stand for where there is one). */
#define LINK_DATA 3
#define LINK_EOT 4
#define LINK_ACK 6
#define LINK_NAK 21
#define LINK_BCC_ERROR 253
#define LINK_TIMEOUT 255

/* Upload save modes. */
#define UPLOAD_SAVE_NEW 0
#define UPLOAD_SAVE_OVERWRITE 1
#define UPLOAD_SAVE_APPEND 2

/* Buffer sizes the caller provides. */
#define VANTLINK_POLL_BUFFER 256    /* HM_poll: decoded answer and its NUL */
#define VANTLINK_LOCAL_PATH 120     /* HM_upload/HM_upload1 local path (at most 119 chars) */
#define VANTLINK_SHORT_TEXT 98      /* text results of commands with a 100-byte answer area */
#define VANTLINK_LONG_TEXT 253      /* text results of the other commands */
#define VANTLINK_DIR_LISTING 2048   /* HM_dir/HM_dir_ROM: all parts joined, with the NUL */
#define VANTLINK_UPLOAD_BLOCK 252   /* HM_upload22 block buffer */
#define VANTLINK_DOWNLOAD_BLOCK 127 /* HM_download22: longest block sent as one frame */

/* ---- Port and link settings ---- */

/* Opens COM<port>. baud: 0..9 = 110, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600;
 * any other value (as unsigned) is the rate itself. parity: 0 none, 1 odd, else even.
 * stop_bits: 1 one, else two. Returns 1 when open and configured, else 0. */
int32_t HM_OpenCommPort(int32_t port, int32_t baud, int32_t data_bits, int32_t parity,
                        int32_t stop_bits);
/* Nonzero when the port's handle was closed, 0 when none was open. */
int32_t HM_CloseCommPort(int32_t port);

int32_t HM_set_time_out(int32_t ms); /* whole-answer time-out, default 400 */
int32_t HM_get_time_out(void);
int32_t HM_set_ESC_delay(int32_t ms); /* pause before ACK and after each exchange, default 10 */
int32_t HM_get_ESC_delay(void);
int32_t HM_set_NAK_delay(int32_t ms); /* pause after a NAK either way, default 50 */
int32_t HM_get_NAK_delay(void);
int32_t HM_set_Tester_delay(int32_t ms); /* pause before each Tester frame, default 1000 */
int32_t HM_set_power_saving_status(int32_t on);
int32_t HM_get_power_saving_status(void);
/* Return code of the last wake-up or sleep step. */
int32_t HM_get_power_saving_return(void);

/* Message-pumping wait; returns the milliseconds that passed (more than ms, unless the cancel
 * ended it sooner). */
int32_t HM_time_delay(int32_t ms);
/* Library version: 7. */
int32_t HM_version(void);
/* Length recorded by the last text or data result (index 0; other indexes give 0). */
int32_t HM_get_return_string_length(int32_t index);

/* 1 while the open port's device has hung up or gone and is not back yet; 2 while it is back
 * but on another device than the one it was opened on (until the port is closed or the line is
 * lost again); else 0 (also for a port that is not open). */
int32_t HC_line_state(int32_t port);

/* Names the device of a port number for later opens: a device path such as
 * "/dev/serial/by-id/usb-...-if00-port0" (a name that follows its adapter from socket to socket)
 * or "/dev/ttyUSB0", or a device server's URL ("tcp://HOST:PORT", "rfc2217://HOST:PORT"). NULL or
 * "" goes back to the default, /dev/ttyS<port-1>. The environment variable VANTLINK_COM<port>, when
 * set, still decides: it serves tests, services and experts. A port already open keeps its device
 * until it is opened again. Returns 1, or 0 (nothing changed) for a port number outside 0..4 or a
 * path of 4096 bytes or more. */
int32_t HC_set_port_device(int32_t port, const char* path);

/* Installs the function that every wait calls once per pass (NULL removes it). */
void HM_set_message_pump(void (*pump)(void));

/* How long a wait may sleep between two calls of the message pump: 1 ms (the default, for a
 * caller with windows to keep alive) up to 100 ms (a caller without windows, which then wakes
 * far less often). Bytes that arrive end the sleep at once, so answers are not delayed.
 * Returns 1, or 0 (nothing changed) for a value outside 1..100. */
int32_t HC_set_pump_interval(int32_t ms);

/* Async-signal-safe (a lock-free atomic store), so a signal handler may call it. While on, every
 * wait of the library ends at once and the call in progress, and any later call, returns what a
 * silent line gives (its time-out code); an upload in progress then fails and leaves its local
 * file as it was (the terminal is sent the cancel request). Bytes are still written. The
 * caller sets it to 0 before its next command. Returns on. */
int32_t HM_set_cancel(int32_t on);

/* Line trace for a caller that shows the bytes itself. */
#define TRACE_SENT '>'     /* bytes written to the port */
#define TRACE_RECEIVED '<' /* bytes read from the port */
typedef void (*HM_trace_handler)(void* context, int32_t direction, int32_t port,
                                 const unsigned char* bytes, int32_t count);
/* Installs the function that sees every byte sent and received on any port, in line order
 * (NULL removes it; context is handed back unchanged). It is called on the calling thread from
 * inside library calls, once per write and once per byte read; the bytes are valid only during
 * the call. Bytes that could not be written are not handed over. The handler must not call the
 * library: such a call is refused and returns at once as on a port that is not open (open and
 * close 0, commands and transfer starts 4, or 9 with power saving on, transfer steps 252,
 * HC_getch 255), touching no port and no transfer; only HM_set_trace_handler itself,
 * HM_set_cancel and the setters and getters of settings act. The VANTLINK_TRACE file trace is
 * independent. */
void HM_set_trace_handler(HM_trace_handler handler, void* context);

/* ---- Frame exchange ---- */

/* Polls one terminal. buffer: VANTLINK_POLL_BUFFER bytes, receives the decoded record and a NUL;
 * *length its byte count. 0 record, 7 no data, 3 NAK or bad check, 4 time-out, 5 other. */
int32_t HM_poll(int32_t port, int32_t address, unsigned char* buffer, int32_t* length);
/* Wake-up step (up to five attempts of byte 0x00 and command '7'); 0 when awake. */
int32_t HM_power_saving_off(int32_t port, int32_t address);
/* Sleep step (command '8'). */
int32_t HM_power_saving_on(int32_t port, int32_t address);

/* ---- Terminal commands ----
 * Each sends one request to the terminal at `address` and returns a return code. With power
 * saving on (HM_set_power_saving_status(1)) a command first wakes the terminal (9 when that
 * fails, nothing sent) and most put it back to sleep afterwards; HM_get_power_saving_return
 * tells whether that worked. Argument texts travel up to their NUL, at most 256 bytes.
 * Common results: 0 done, 3 NAK, 4 time-out, 5 unexpected answer, 6 bad checks. */

/* Warm start ('A') and kermit ('k'): 0 when the terminal acknowledged. */
int32_t HM_warm_start(int32_t port, int32_t address);
int32_t HM_kermit(int32_t port, int32_t address);
/* Cold start ('H'); the terminal is not put back to sleep. */
int32_t HM_cold_start(int32_t port, int32_t address);
/* Runs a program ('X'): 0, 48 no such program, 54 it is in flash ROM. HM_run is the same. */
int32_t HM_exec(int32_t port, int32_t address, const char* program);
int32_t HM_run(int32_t port, int32_t address, const char* program);
/* Deletes a file ('E'): 0, 48 no such file, 49 illegal name. */
int32_t HM_delete(int32_t port, int32_t address, const char* file);
/* Sets the program started at power-on ('O'): 0, 48, 49. */
int32_t HM_autoboot(int32_t port, int32_t address, const char* program);
/* Sends free data ('0'), encoded; 2 (nothing sent) when the encoded form exceeds 255 bytes,
 * which an input of at most 127 bytes never does. HM_send_data1 takes length bytes (may hold
 * NUL); a negative length gives 2. */
int32_t HM_send_data(int32_t port, int32_t address, const char* text);
int32_t HM_send_data1(int32_t port, int32_t address, const unsigned char* data, int32_t length);
/* Asks whether the terminal is in upload mode ('Q'): 0 no, 80 yes. */
int32_t HM_upload_mode(int32_t port, int32_t address);
/* Gives the terminal a new address ('5'): 0, 2 refused. The sleep step goes to the new one. */
int32_t HM_set_address(int32_t port, int32_t address, int32_t new_address);
/* Restores a system font ('f'; the character '0', '1' or '2'): 0, 2 refused. */
int32_t HM_system_font(int32_t port, int32_t address, int32_t font);
/* Keypad lock ('K'): values below 32 are sent as the digit value + '0', others as their low
 * byte: 0, 2 refused. HM_keymap sends the low byte itself and expects an ACK. */
int32_t HM_keypad(int32_t port, int32_t address, int32_t value);
int32_t HM_keymap(int32_t port, int32_t address, int32_t value);
/* Buzzer ('N'), value sent as the digit value + '0'. */
int32_t HM_buzzer(int32_t port, int32_t address, int32_t value);
/* Size of the executable area ('F', three digits): 0, 64 RAM disk not empty, 65 out of
 * memory; 2 (nothing sent) for a size outside 0..999. */
int32_t HM_exe_size(int32_t port, int32_t address, int32_t size);
/* UPS command ('F' without data); never wakes or sleeps the terminal. */
int32_t HM_ups(int32_t port, int32_t address);
/* Tables ('T', 'C', 'V', 'B'), clock ('M', 14 characters YYYYMMDDhhmmss) and password ('P'):
 * 0, 2 refused. */
int32_t HM_term_tab(int32_t port, int32_t address, const char* table);
int32_t HM_comm_tab(int32_t port, int32_t address, const char* table);
int32_t HM_dev_tab(int32_t port, int32_t address, const char* table);
int32_t HM_bar_tab(int32_t port, int32_t address, const char* table);
int32_t HM_date_time(int32_t port, int32_t address, const char* date_time);
int32_t HM_password(int32_t port, int32_t address, const char* password);
/* KD24 configuration ('?', '@', '>', 'R' with one character); never wake or sleep. */
int32_t HM_KD24_record(int32_t port, int32_t address, const char* record);
int32_t HM_KD24_min_len(int32_t port, int32_t address, const char* text);
int32_t HM_KD24_field_port(int32_t port, int32_t address, const char* text);
int32_t HM_KD24_trigger(int32_t port, int32_t address, int32_t value);
/* Text answers, copied with their NUL and their length recorded (HM_get_return_string_length):
 * HM_sendback ('9', the terminal echoes text) needs VANTLINK_LONG_TEXT bytes; the identity
 * ('R'), running program ('I') and firmware ('v') need VANTLINK_SHORT_TEXT; longer answers are
 * cut to fit. HM_exec_file and HM_firmware_version give 53 when there is none. These three
 * leave the terminal awake. */
int32_t HM_sendback(int32_t port, int32_t address, const char* text, char* answer);
int32_t HM_terminal_id(int32_t port, int32_t address, char* answer);
int32_t HM_exec_file(int32_t port, int32_t address, char* answer);
int32_t HM_firmware_version(int32_t port, int32_t address, char* answer);
/* Whether a file exists ('J'): 0 with its length, 54 in flash ROM with its length, 48 none. */
int32_t HM_file_exist(int32_t port, int32_t address, const char* file, int32_t* length);
/* Memory in kilobytes ('G'); every out-value is 0 after a failure past the wake-up. */
int32_t HM_ram_size(int32_t port, int32_t address, int32_t* total, int32_t* exec,
                    int32_t* free_size, int32_t* ems_total, int32_t* ems_free);
int32_t HM_flash_size(int32_t port, int32_t address, int32_t* total, int32_t* free_size);
/* Directory of the RAM disk or the flash ROM ('D'), all parts joined by commas into
 * VANTLINK_DIR_LISTING bytes (cut beyond); its length is recorded. On a failure the parts
 * received so far stay in the buffer. */
int32_t HM_dir(int32_t port, int32_t address, char* listing);
int32_t HM_dir_ROM(int32_t port, int32_t address, char* listing);

/* ---- File transfer ----
 * One transfer at a time. Step functions return 1 while there is more, then 0 or a failure.
 * Uploads: 48 the terminal has no such file, 51 no free local name (mode New), 52 the local
 * file cannot be created or written, or another upload holds it (also for a local path of 120
 * characters or more, and for an upload that passes 64 MiB: no terminal holds a file that big,
 * so the terminal is sent the cancel request rather than fill the disk). Only the terminal's
 * end answer completes a file (0); any other answer to a block request gives 5. The local file is
 * locked while an upload runs, and an upload that does not complete (failure, cancel, or a new
 * upload started before its steps ended) leaves it as it was before: Over-write writes beside it
 * and renames on completion, Append cuts back what it added, a file the upload created is removed.
 * Downloads: 48 the local file is missing or unreadable (nothing sent). 252: a step without
 * its transfer open. */

int32_t HM_set_upload_file_save_mode(int32_t mode); /* UPLOAD_SAVE_*; returns the mode */
int32_t HM_get_upload_file_save_mode(void);
/* Whole upload into local_path (VANTLINK_LOCAL_PATH bytes; receives the name actually used). */
int32_t HM_upload(int32_t port, int32_t address, const char* terminal_file, char* local_path);
/* Starts an upload into a local file; HM_upload2 fetches one block per call and stores the byte
 * and block counts through its pointers. */
int32_t HM_upload1(int32_t port, int32_t address, const char* terminal_file, char* local_path);
int32_t HM_upload2(int32_t* bytes, int32_t* packets);
/* Starts an upload whose blocks the caller takes: HM_upload22 copies each block (at most
 * VANTLINK_UPLOAD_BLOCK bytes) into block and its length into *length. */
int32_t HM_upload11(int32_t port, int32_t address, const char* terminal_file);
int32_t HM_upload22(unsigned char* block, int32_t* length);
/* Whole download of local_path to the terminal in blocks of 120 bytes. */
int32_t HM_download(int32_t port, int32_t address, const char* local_path,
                    const char* terminal_file);
/* Starts a download (file size in bytes through file_size); HM_download2 sends one block per
 * call and stores the byte count (before the block is sent) and the block count. */
int32_t HM_download1(int32_t port, int32_t address, const char* local_path,
                     const char* terminal_file, int32_t* file_size);
int32_t HM_download2(int32_t* bytes, int32_t* packets);
/* Starts a download whose bytes the caller supplies: HM_download22 sends length bytes as one
 * frame when length is at most VANTLINK_DOWNLOAD_BLOCK (longer blocks go out as several frames
 * of that size), length 0 ends the file; 2 for a negative length. 252 when the open download
 * is one of HM_download1's, and HM_download2 gives 252 for one of HM_download11's. */
int32_t HM_download11(int32_t port, int32_t address, const char* terminal_file);
int32_t HM_download22(const unsigned char* block, int32_t length);
/* Cancel the transfer on the terminal ('y', 'z') and close it here. */
int32_t HM_cancel_upload(int32_t port, int32_t address);
int32_t HM_cancel_download(int32_t port, int32_t address);

/* ---- Raw port and modem ---- */

/* Next received byte, or 255 when none is waiting (a received 0xFF reads the same). */
int32_t HC_getch(int32_t port);
/* Writes the low byte; nonzero when written. */
int32_t HC_putch(int32_t port, int32_t ch);
/* Sends command and CR, reads the modem's answer line (cut at 99 characters) for at most
 * timeout_ms and returns its Hayes code: 0 OK, 1 CONNECT, 2 RING, 3 NO CARRIER, 4 ERROR,
 * 6 NO DIALTONE, 7 BUSY, 8 NO ANSWER, 24 DELAYED, 32 BLACKLISTED, 33 FAX, 35 DATA, 40 CARRIER,
 * 200 none of them. */
int32_t HC_modem_cmd(int32_t port, const char* command, int32_t timeout_ms);
/* Escapes to command state with "+++" and guard times; the modem's answer code. */
int32_t HC_modem_cmd_mode(int32_t port, int32_t timeout_ms);

/* ---- Tester download ----
 * Initial announces the file to the terminal at address (48: no such local file); Downloading
 * feeds it to the Tester at address 'Z' in unanswered frames, one per Tester delay (48 when the
 * file cannot be opened, 52 when a read fails, 4 when a frame could not be written or the
 * cancel is set: the rest, and the end-of-data frame, are then not sent, so the Tester never
 * takes the cut file as complete, and the caller should not call Finish). 4 because the Tester
 * never answers: a write that fails (a lost line) is its only way to be silent, and callers
 * already treat a silent line as 4. Finish closes the operation. */
int32_t HM_Tester_Download_Initial(int32_t port, int32_t address, const char* local_path);
int32_t HM_Tester_Downloading(int32_t port, const char* local_path);
int32_t HM_Tester_Download_Finish(int32_t port, int32_t address);

#ifdef __cplusplus
}
#endif

#endif /* VANTLINK_H */
