// The host's end of the line: a pseudo-terminal whose output is paced at the line rate.
#pragma once

#include <termios.h>

#include <deque>
#include <string>
#include <vector>

#include "downlink.h"
#include "trace.h"

namespace termsim {

class PtyPort : public Downlink {
public:
    // fifo: bytes handed to the host in groups of up to that many, as a UART's receive FIFO
    // does; each group leaves when its last byte has (1: every byte on its own).
    PtyPort(int baud, Trace& trace, std::size_t fifo = 1);
    ~PtyPort() override;
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    // Creates the pseudo-terminal and links its slave to link_path; false with a reason.
    bool open(const std::string& link_path, std::string& error);
    int fd() const { return master_; }
    // Readable when a process closed the slave (see on_slave_closed).
    int close_watch_fd() const { return close_watch_; }
    void on_slave_closed();
    const std::string& slave_path() const { return slave_path_; }
    Nanos byte_time() const { return byte_time_; }

    void send(const Bytes& bytes, Nanos earliest) override;
    // End time of the next byte to write, or -1 when nothing is queued.
    Nanos next_due() const;
    void write_due(Nanos now);

    // Reads what the host wrote and hands each byte on with its modelled arrival time.
    void read_input(Uplink& uplink);

private:
    struct Scheduled {
        std::uint8_t byte;
        Nanos end;
    };

    void write_bytes(const std::uint8_t* data, std::size_t count);
    // Traces the rate the host last set on the slave (such as a device server told to).
    void note_host_speed();

    Trace& trace_;
    Nanos byte_time_;
    std::size_t fifo_;
    int master_ = -1;
    int slave_ = -1;
    int close_watch_ = -1;
    std::string slave_path_;
    std::string link_path_;
    std::deque<Scheduled> out_;
    Nanos line_free_ = 0;      // when the last queued byte has left
    Nanos last_arrival_ = 0;   // when the host's last byte arrived
    speed_t host_speed_ = B0;  // the slave's rate when last looked at
};

}  // namespace termsim
