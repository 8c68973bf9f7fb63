/*
 * vantlink: the terminal link library.
 *
 * One plain C function per terminal operation. All functions take and return 32-bit integers
 * and caller-owned buffers; no exceptions cross this interface. Everything runs on the caller's
 * thread and only one call may be in progress at a time (the library has process-wide state).
 *
 * Ports. Port numbers 0..4 name COM0..COM4. COM<n> is the device path in the environment
 * variable VANTLINK_COM<n> when it is set, else /dev/ttyS<n-1>. Other port numbers are refused.
 *
 * Terminal addresses are one character in the low byte of a 32-bit argument ('A'..'Y', '0'..'6').
 *
 * Trace. VANTLINK_TRACE=<file> appends one line per byte burst: millisecond timestamp,
 * direction ('>' sent, '<' received), port, bytes in hex with control bytes named. "-" is stderr.
 *
 * Waits. Every wait of the library calls the message pump installed with HM_set_message_pump
 * once per pass, so a GUI caller stays responsive while a command runs.
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
#define RC_FILE_OPEN_ERROR 52     /* local upload file cannot be created or opened */
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
#define VANTLINK_DOWNLOAD_BLOCK 127 /* HM_download22 longest block */

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

/* Message-pumping wait; returns the milliseconds that passed (always more than ms). */
int32_t HM_time_delay(int32_t ms);
/* Library version: 7. */
int32_t HM_version(void);
/* Length recorded by the last text or data result (index 0; other indexes give 0). */
int32_t HM_get_return_string_length(int32_t index);

/* Installs the function that every wait calls once per pass (NULL removes it). */
void HM_set_message_pump(void (*pump)(void));

/* ---- Frame exchange ---- */

/* Polls one terminal. buffer: VANTLINK_POLL_BUFFER bytes, receives the decoded record and a NUL;
 * *length its byte count. 0 record, 7 no data, 3 NAK or bad check, 4 time-out, 5 other. */
int32_t HM_poll(int32_t port, int32_t address, unsigned char* buffer, int32_t* length);
/* Wake-up step (up to five attempts of byte 0x00 and command '7'); 0 when awake. */
int32_t HM_power_saving_off(int32_t port, int32_t address);
/* Sleep step (command '8'). */
int32_t HM_power_saving_on(int32_t port, int32_t address);

/* ---- Terminal commands ---- */

int32_t HM_warm_start(int32_t port, int32_t address);
int32_t HM_kermit(int32_t port, int32_t address);
int32_t HM_cold_start(int32_t port, int32_t address);
int32_t HM_exec(int32_t port, int32_t address, const char* program);
int32_t HM_run(int32_t port, int32_t address, const char* program);
int32_t HM_delete(int32_t port, int32_t address, const char* file);
int32_t HM_autoboot(int32_t port, int32_t address, const char* program);
int32_t HM_send_data(int32_t port, int32_t address, const char* text);
int32_t HM_send_data1(int32_t port, int32_t address, const unsigned char* data, int32_t length);
int32_t HM_upload_mode(int32_t port, int32_t address);
int32_t HM_set_address(int32_t port, int32_t address, int32_t new_address);
int32_t HM_system_font(int32_t port, int32_t address, int32_t font);
int32_t HM_keypad(int32_t port, int32_t address, int32_t value);
int32_t HM_keymap(int32_t port, int32_t address, int32_t value);
int32_t HM_buzzer(int32_t port, int32_t address, int32_t value);
int32_t HM_exe_size(int32_t port, int32_t address, int32_t size);
int32_t HM_ups(int32_t port, int32_t address);
int32_t HM_term_tab(int32_t port, int32_t address, const char* table);
int32_t HM_comm_tab(int32_t port, int32_t address, const char* table);
int32_t HM_dev_tab(int32_t port, int32_t address, const char* table);
int32_t HM_bar_tab(int32_t port, int32_t address, const char* table);
int32_t HM_date_time(int32_t port, int32_t address, const char* date_time);
int32_t HM_password(int32_t port, int32_t address, const char* password);
int32_t HM_KD24_record(int32_t port, int32_t address, const char* record);
int32_t HM_KD24_min_len(int32_t port, int32_t address, const char* text);
int32_t HM_KD24_field_port(int32_t port, int32_t address, const char* text);
int32_t HM_KD24_trigger(int32_t port, int32_t address, int32_t value);
int32_t HM_sendback(int32_t port, int32_t address, const char* text, char* answer);
int32_t HM_terminal_id(int32_t port, int32_t address, char* answer);
int32_t HM_exec_file(int32_t port, int32_t address, char* answer);
int32_t HM_firmware_version(int32_t port, int32_t address, char* answer);
int32_t HM_file_exist(int32_t port, int32_t address, const char* file, int32_t* length);
int32_t HM_ram_size(int32_t port, int32_t address, int32_t* total, int32_t* exec,
                    int32_t* free_size, int32_t* ems_total, int32_t* ems_free);
int32_t HM_flash_size(int32_t port, int32_t address, int32_t* total, int32_t* free_size);
int32_t HM_dir(int32_t port, int32_t address, char* listing);
int32_t HM_dir_ROM(int32_t port, int32_t address, char* listing);

/* ---- File transfer ---- */

int32_t HM_set_upload_file_save_mode(int32_t mode);
int32_t HM_get_upload_file_save_mode(void);
int32_t HM_upload(int32_t port, int32_t address, const char* terminal_file, char* local_path);
int32_t HM_upload1(int32_t port, int32_t address, const char* terminal_file, char* local_path);
int32_t HM_upload2(int32_t* bytes, int32_t* packets);
int32_t HM_upload11(int32_t port, int32_t address, const char* terminal_file);
int32_t HM_upload22(unsigned char* block, int32_t* length);
int32_t HM_download(int32_t port, int32_t address, const char* local_path,
                    const char* terminal_file);
int32_t HM_download1(int32_t port, int32_t address, const char* local_path,
                     const char* terminal_file, int32_t* file_size);
int32_t HM_download2(int32_t* bytes, int32_t* packets);
int32_t HM_download11(int32_t port, int32_t address, const char* terminal_file);
int32_t HM_download22(const unsigned char* block, int32_t length);
int32_t HM_cancel_upload(int32_t port, int32_t address);
int32_t HM_cancel_download(int32_t port, int32_t address);

/* ---- Raw port and modem ---- */

int32_t HC_getch(int32_t port);
int32_t HC_putch(int32_t port, int32_t ch);
int32_t HC_modem_cmd(int32_t port, const char* command, int32_t timeout_ms);
int32_t HC_modem_cmd_mode(int32_t port, int32_t timeout_ms);

/* ---- Tester download ---- */

int32_t HM_Tester_Download_Initial(int32_t port, int32_t address, const char* local_path);
int32_t HM_Tester_Downloading(int32_t port, const char* local_path);
int32_t HM_Tester_Download_Finish(int32_t port, int32_t address);

#ifdef __cplusplus
}
#endif

#endif /* VANTLINK_H */
