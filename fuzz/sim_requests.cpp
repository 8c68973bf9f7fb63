// termsim's line as the PC's bytes reach it: the request parser, the terminals' answers and
// their file stores. Input byte 0 sets up the line (terminal kind, asleep, upload mode, a Tester
// station, long pauses, a second terminal); the rest are the PC's bytes, one a millisecond.
// FUZZ_SIM_TRACE=- (or a file) traces the line while an input is replayed.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "downlink.h"
#include "line.h"

namespace fs = std::filesystem;
using namespace termsim;

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

// Every answer must be something the PC can take: one of the single bytes, or a data frame
// that fits the PC's receive buffer, carries no ETX inside and whose check characters match.
void check_answer(const Bytes& bytes) {
    require(!bytes.empty());
    if (bytes.size() == 1) {
        require(bytes[0] == kAck || bytes[0] == kNak || bytes[0] == kEot);
        return;
    }
    require(bytes.size() >= 4 && bytes.front() == kStx && bytes.back() == kEtx);
    const std::span<const std::uint8_t> payload(bytes.data() + 1, bytes.size() - 4);
    require(payload.size() <= kMaxAnswerPayload);
    unsigned sum = static_cast<unsigned>(payload.size());
    for (std::uint8_t byte : payload) {
        require(byte != kEtx && byte != kStx);
        sum += byte;
    }
    const std::uint8_t check = static_cast<std::uint8_t>(sum & 0xFF);
    require(bytes[bytes.size() - 3] == 0x40 + (check >> 4));
    require(bytes[bytes.size() - 2] == 0x40 + (check & 0x0F));
}

class CheckingDownlink final : public Downlink {
public:
    void send(const Bytes& bytes, Nanos earliest) override {
        require(earliest >= last_earliest_);
        last_earliest_ = earliest;
        check_answer(bytes);
    }

private:
    Nanos last_earliest_ = 0;
};

std::string& scratch_folder() {
    static std::string folder;
    return folder;
}

Bytes text_bytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::unique_ptr<Terminal> make_terminal(char address, std::uint8_t setup, Trace& trace) {
    TerminalConfig config;
    config.address = address;
    config.kind = setup % 6;
    config.asleep = (setup & 0x08) != 0;
    config.upload_mode = (setup & 0x10) != 0;
    config.program = address == 'A' ? "PROG.EXE" : "";
    config.records = {text_bytes("abc"), Bytes{0x00, 0x02, 0x03, 0x5C, 0xA0, 0xDC, 0xFF},
                      Bytes(120, 0x1F)};
    auto terminal = std::make_unique<Terminal>(config, trace);
    Bytes every_byte(300);
    for (std::size_t i = 0; i < every_byte.size(); ++i) every_byte[i] = static_cast<uint8_t>(i);
    terminal->store().write(Area::Ram, "DATA.TXT", every_byte);
    terminal->store().write(Area::Rom, "PROG.EXE", text_bytes("program"));
    return terminal;
}

// What the host may store is bounded: safe names, plain files, only in the two area folders.
void check_store(FileStore& store) {
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(store.root())) {
        const auto name = entry.path().filename().string();
        require(entry.is_directory() && (name == "ram" || name == "rom"));
        ++entries;
    }
    require(entries == 2);
    for (Area area : {Area::Ram, Area::Rom}) {
        for (const auto& name : store.list(area)) {
            require(is_safe_file_name(name));
            const auto content = store.read(area, name);
            require(content.has_value() && content->size() == store.size(area, name));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Stores go into a folder of this run, so anything left behind or written beside them shows;
    // in memory when the system has a RAM file system, as every input makes and removes them.
    std::error_code ec;
    const fs::path base =
        access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path(ec);
    std::string pattern = (base / "fuzz_sim_requests-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    scratch_folder() = pattern;
    setenv("TMPDIR", pattern.c_str(), 1);
    std::atexit([] { fs::remove_all(scratch_folder()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::uint8_t setup = data[0];
    {
        Trace trace;
        if (const char* target = std::getenv("FUZZ_SIM_TRACE")) trace.open(target);
        CheckingDownlink downlink;
        std::vector<std::unique_ptr<Terminal>> terminals;
        terminals.push_back(make_terminal('A', setup, trace));
        if ((setup & 0x80) != 0) {
            terminals.push_back(make_terminal('B', static_cast<std::uint8_t>(setup >> 1), trace));
        }
        std::unique_ptr<Tester> tester;
        if ((setup & 0x20) != 0) tester = std::make_unique<Tester>("", trace);
        std::vector<FileStore*> stores;
        for (auto& terminal : terminals) stores.push_back(&terminal->store());
        if (tester) stores.push_back(&tester->store());
        Line line(std::move(terminals), std::move(tester), LineConfig{}, trace, downlink);

        // With bit 6 a byte 0xFF is a pause of two seconds instead of a byte.
        const bool pauses = (setup & 0x40) != 0;
        Nanos now = kNanosPerSecond;
        for (std::size_t i = 1; i < size; ++i) {
            if (pauses && data[i] == 0xFF) {
                now += 2 * kNanosPerSecond;
                continue;
            }
            now += kNanosPerMilli;
            line.receive(data[i], now);
        }
        for (FileStore* store : stores) check_store(*store);
    }
    // Every store removed its folder again, and nothing was written beside them.
    require(fs::is_empty(scratch_folder()));
    return 0;
}
