// Draws every dialog and the main window offscreen with the values of an example site and
// saves each as <name>.png in the folder named on the command line, for the operator's guide.
// It runs in the build: nothing waits for an operator, and it works in a folder of its own so
// no settings of the person building are read or written.
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "change_comm_dlg.h"
#include "comm_param_dlg.h"
#include "command_line_dlg.h"
#include "dial_phone_dlg.h"
#include "host_services.h"
#include "line_trace_window.h"
#include "link_glue.h"
#include "log_pane.h"
#include "main_frame.h"
#include "modal_boxes.h"
#include "modem_setting_dlg.h"
#include "phone_book_dlg.h"
#include "picture_names.h"
#include "polling_time_dlg_classes.h"
#include "table_dlg_classes.h"
#include "terminal_type_dlg.h"
#include "transfer_file_dlg_classes.h"
#include "vantrel_app.h"
#include "vantrel_view.h"

namespace {

using namespace vantrel;

constexpr unsigned kWatchdogSeconds = 60;
// Enough turns of the event queue for a shown window to lay itself out; never a wait.
constexpr int kSettleTurns = 5;

// Everything the pictures show: one site, its line, its terminals and a moment of a transfer.
struct ExampleSite {
    HostSettings settings;
    std::vector<vantdev::SerialDevice> devices;
    FileChoiceInput terminalFiles;
    std::vector<std::string> chosenTerminalFiles;
    std::vector<std::string> chosenPcFiles;
    TimeSyncValues clock;
    std::string inputCaption;
    std::string inputText;
    struct Terminal {
        TerminalStatus status;
        bool selected;
        const char* lastData;
    };
    std::vector<Terminal> terminals;  // by address position
    int currentTerminal;
    std::int32_t packets, bytes, totalBytes;
    std::string transferFile;
    std::string messages;  // message window lines, each ending in '\n'
    std::string pollData;  // poll data window lines
    std::vector<std::pair<char, std::vector<std::uint8_t>>> traceBursts;  // '>' sent, '<' received
};

ExampleSite exampleSite() {
    ExampleSite site;
    HostSettings& s = site.settings;
    s.Port = 1;
    s.Ports[0] = "/dev/serial/by-id/usb-Generic_USB_Serial_Adapter_0042-if00-port0";
    s.BaudRate = 7;  // 19200
    s.Address = "ABCDEF";
    s.Terminal_type = TerminalType::KD35;
    s.ErrorLog = ErrorLogMode::Append;
    s.Time_out = 400;
    s.File_Name = "POLL.DAT";
    s.Polling_Period = PollingPeriod::Specify;
    s.Start_Time = "06:00:00";
    s.Stop_Time = "18:30:00";
    s.Poll_Max_Wait_Time = 10;
    s.MaxError = 3;
    s.Auto_Time_Sync = AutoTimeSync::Specify;
    s.CFG_Name = "/srv/vantrel/STORE12.KD24";
    const char* uploads[] = {"ORDERS.DAT", "STOCK.DAT", "RETURNS.DAT"};
    for (int k = 0; k < 3; ++k) s.UploadFiles[k] = uploads[k];
    s.UploadDeletes[0] = true;
    s.UploadDeletes[1] = true;
    const char* downloads[] = {"/srv/vantrel/PRICES.DAT", "/srv/vantrel/ITEMS.DAT",
                               "/srv/vantrel/SCAN.EXE"};
    for (int k = 0; k < 3; ++k) s.DownloadFiles[k] = downloads[k];
    s.Use_modem = true;
    s.Modem_Initial_command = "ATZ&F S0=1";
    const char* book[][2] = {
        {"Central warehouse", "0421 55 80 10"},
        {"Store 12 Harbour Road", "0421 55 31 72"},
        {"Store 7 Market Square", "0421 55 90 44"},
    };
    for (int k = 0; k < 3; ++k) {
        s.Modem_Phone_name[k] = book[k][0];
        s.Modem_Phone_no[k] = book[k][1];
    }

    vantdev::SerialDevice adapter;
    adapter.node = "/dev/ttyUSB0";
    adapter.by_id = s.Ports[0];
    adapter.driver = "usbserial";
    adapter.manufacturer = "Generic";
    adapter.product = "USB Serial Adapter";
    adapter.serial = "0042";
    vantdev::SerialDevice builtIn;
    builtIn.node = "/dev/ttyS0";
    builtIn.driver = "serial8250";
    site.devices = {adapter, builtIn};

    site.terminalFiles.addresses = s.Address;
    const char* listing = "SCAN.EXE,MENU.EXE,ORDERS.DAT,STOCK.DAT,RETURNS.DAT,PRICES.DAT,SETUP.CFG";
    site.terminalFiles.listings.assign(s.Address.size(), listing);
    site.chosenTerminalFiles = {"ORDERS.DAT", "STOCK.DAT"};
    site.chosenPcFiles = {"/srv/vantrel/PRICES.DAT", "/srv/vantrel/ITEMS.DAT"};
    site.clock = {1, 2026, 12, 10, 8, 30, 0};
    site.inputCaption = "Input New Password";
    site.inputText = "7731";

    site.terminals = {
        {TerminalStatus::Done, true, ""},         {TerminalStatus::TimeOut, true, ""},
        {TerminalStatus::Transferring, true, ""}, {TerminalStatus::Idle, true, ""},
        {TerminalStatus::Idle, true, ""},         {TerminalStatus::Idle, false, ""},
    };
    site.currentTerminal = 2;
    site.packets = 37;
    site.bytes = 4736;
    site.totalBytes = 8192;
    site.transferFile = "PRICES.DAT";
    site.messages =
        "A 08:29:48 Warm start  Successfully\n"
        "A 08:30:12 Download  PRICES.DAT Successfully\n"
        "B 08:30:16 Download  PRICES.DAT Time out\n";
    site.pollData =
        "A 4006381333931,12,20261210083002\n"
        "A 4006381333948,3,20261210083005\n"
        "B 5012345678900,1,20261210083011\n"
        "D 4000417020000,24,20261210083017\n";
    site.traceBursts = {
        {'>', {0x01, 'A', 'R', 0x03, 0x12}},
        {'<', {0x02, 'A', '0', '0', 0x03, 0x31}},
        {'>', {0x06}},
    };
    return site;
}

// What the pictures share while they are drawn: the site and the windows kept open.
struct Context {
    const ExampleSite& site;
    CVantrelApp& app;
    std::string workFolder;
    std::vector<std::unique_ptr<QWidget>> keep;
    bool frameStarted = false;
};

template <typename Dialog, typename... Args>
QWidget* dialog(Context& context, Args&&... args) {
    context.keep.push_back(std::make_unique<Dialog>(std::forward<Args>(args)...));
    return context.keep.back().get();
}

// The main window as the program starts it in the site's folder, caught in mid-transfer.
CMainFrame* mainFrame(Context& context) {
    CMainFrame* frame = context.app.mainFrame();
    if (context.frameStarted) return frame;
    context.frameStarted = true;
    const ExampleSite& site = context.site;
    ProfileFile file(settingsPath(context.workFolder));
    saveSettings(site.settings, file);
    if (!file.commit()) return nullptr;
    context.app.initInstance(context.workFolder, [](HostServices&) {});
    frame = context.app.mainFrame();
    CVantrelView* view = frame->view();
    HostState& state = view->state();
    for (std::size_t k = 0; k < site.terminals.size(); ++k) {
        state.status[k] = site.terminals[k].status;
        state.selection[k] = site.terminals[k].selected ? 1 : 0;
        state.lastDataTime[k] = site.terminals[k].lastData;
    }
    state.panelMode = PanelMode::Download;
    state.currentIndex = site.currentTerminal;
    state.packets = site.packets;
    state.bytes = site.bytes;
    state.totalBytes = site.totalBytes;
    state.terminalFileName = site.transferFile;
    view->setReady(false);
    view->showTransferProgress(site.bytes, site.totalBytes);
    frame->messagePane()->appendText(site.messages);
    view->appendPollData(site.pollData);
    std::uint64_t ms = 1'000'000;
    for (const auto& [direction, bytes] : site.traceBursts) {
        frame->lineTrace()->addBytes(ms, direction, site.settings.Port, bytes);
        ms += 2 * TraceLines::kBurstGapMs;
    }
    frame->lineTrace()->appendBuffered(true);
    return frame;
}

QWidget* pane(Context& context, LogPane* (*which)(CMainFrame&)) {
    CMainFrame* frame = mainFrame(context);
    return frame ? which(*frame) : nullptr;
}

// One entry per picture; the build fails when a dialog class or window has none.
struct Picture {
    const char* name;
    std::function<QWidget*(Context&)> make;
};

const Picture kPictures[] = {
    {"CCommParamDlg",
     [](Context& c) {
         auto devices = c.site.devices;
         return dialog<CCommParamDlg>(c, commParamValuesFor(c.site.settings), nullptr,
                                      [devices] { return devices; });
     }},
    {"CChangeCommDlg",
     [](Context& c) { return dialog<CChangeCommDlg>(c, changeCommValuesFor(c.site.settings)); }},
    {"CCommandLineDlg",
     [](Context& c) { return dialog<CCommandLineDlg>(c, commandLineValuesFor(c.site.settings)); }},
    {"CModemSettingDlg",
     [](Context& c) {
         return dialog<CModemSettingDlg>(c, modemSettingValuesFor(c.site.settings));
     }},
    {"CPhoneBookDlg",
     [](Context& c) {
         auto* book = static_cast<CPhoneBookDlg*>(
             dialog<CPhoneBookDlg>(c, modemSettingValuesFor(c.site.settings).phoneBook));
         book->list()->setCurrentRow(1);
         book->takeIntoFields(1);
         return book;
     }},
    {"CDialPhoneDlg",
     [](Context& c) {
         auto* dial = static_cast<CDialPhoneDlg*>(
             dialog<CDialPhoneDlg>(c, modemSettingValuesFor(c.site.settings).phoneBook));
         dial->list()->setCurrentRow(0);
         return dial;
     }},
    {"CTerminalTypeDlg",
     [](Context& c) {
         return dialog<CTerminalTypeDlg>(c, terminalTypeChoiceFor(c.site.settings));
     }},
    {"CPollingDataDlg",
     [](Context& c) { return dialog<CPollingDataDlg>(c, pollingDataValuesFor(c.site.settings)); }},
    {"CAutoTimeSyncDlg",
     [](Context& c) {
         return dialog<CAutoTimeSyncDlg>(c, autoTimeSyncValuesFor(c.site.settings));
     }},
    {"CTimeSyncDlg", [](Context& c) { return dialog<CTimeSyncDlg>(c, c.site.clock); }},
    {"CInputLineDlg",
     [](Context& c) {
         return dialog<CInputLineDlg>(c, QString::fromStdString(c.site.inputCaption),
                                      QString::fromStdString(c.site.inputText));
     }},
    {"CRemoteConfigDlg",
     [](Context& c) {
         return dialog<CRemoteConfigDlg>(c, QString::fromStdString(c.site.settings.CFG_Name));
     }},
    {"CBarCodeDlg", [](Context& c) { return dialog<CBarCodeDlg>(c); }},
    {"CDeviceTableKD35Dlg", [](Context& c) { return dialog<CDeviceTableKD35Dlg>(c); }},
    {"CDeviceTableKD24Dlg", [](Context& c) { return dialog<CDeviceTableKD24Dlg>(c); }},
    {"CDeviceTableVS17Dlg", [](Context& c) { return dialog<CDeviceTableVS17Dlg>(c); }},
    {"CChangeAddressDlg",
     [](Context& c) { return dialog<CChangeAddressDlg>(c, c.site.settings.Address); }},
    {"CUploadFilesDlg",
     [](Context& c) { return dialog<CUploadFilesDlg>(c, uploadFilesValuesFor(c.site.settings)); }},
    {"CDownloadFilesDlg",
     [](Context& c) {
         return dialog<CDownloadFilesDlg>(c, downloadFilesValuesFor(c.site.settings));
     }},
    {"CBrowseTerminalFileDlg",
     [](Context& c) {
         return dialog<CBrowseTerminalFileDlg>(c, c.site.terminalFiles, "Run Program select", true);
     }},
    {"CBrowseMultiFileDlg",
     [](Context& c) {
         auto* browse = static_cast<CBrowseMultiFileDlg*>(
             dialog<CBrowseMultiFileDlg>(c, c.site.terminalFiles));
         for (const std::string& name : c.site.chosenTerminalFiles) {
             const auto found =
                 browse->availableList()->findItems(QString::fromStdString(name), Qt::MatchExactly);
             if (found.isEmpty()) continue;
             const int row = browse->availableList()->row(found.front());
             browse->selectedList()->addItem(browse->availableList()->takeItem(row));
         }
         return browse;
     }},
    {"CBrowseDirFilesDlg",
     [](Context& c) {
         auto* browse =
             static_cast<CBrowseDirFilesDlg*>(dialog<CBrowseDirFilesDlg>(c, c.site.terminalFiles));
         for (const std::string& name : c.site.chosenPcFiles)
             browse->selectedList()->addItem(QString::fromStdString(name));
         return browse;
     }},
    {"CMainFrame", [](Context& c) -> QWidget* { return mainFrame(c); }},
    {"MessageWindow",
     [](Context& c) { return pane(c, [](CMainFrame& f) { return f.messagePane(); }); }},
    {"PollingDataWindow",
     [](Context& c) { return pane(c, [](CMainFrame& f) { return f.dataPane(); }); }},
    {"LineTraceWindow",
     [](Context& c) { return pane(c, [](CMainFrame& f) { return f.lineTrace()->pane(); }); }},
};

void fail(const std::string& text) {
    std::fprintf(stderr, "vantrel-guide-shots: %s\n", text.c_str());
}

// A picture of one colour shows nothing: no font, or a window that was never laid out.
bool blank(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first) return false;
    return true;
}

bool drawPicture(Context& context, QWidget& window, const std::string& path) {
    window.show();  // offscreen too, a shown window takes the size it opens with
    for (int turn = 0; turn < kSettleTurns; ++turn) QCoreApplication::processEvents();
    if (context.frameStarted) {
        // A resize asks the panel for a repaint without the transfer's lines; the moment
        // shown is the one between two steps of the transfer.
        context.app.mainFrame()->view()->state().progressPhase = 0;
    }
    const QImage image = window.grab().toImage();
    window.hide();
    if (image.isNull() || blank(image)) {
        fail(path + ": the picture is blank");
        return false;
    }
    if (!image.save(QString::fromStdString(path), "PNG")) {
        fail(path + ": cannot be written");
        return false;
    }
    return true;
}

const Picture* pictureOf(const char* name) {
    for (const Picture& picture : kPictures)
        if (std::strcmp(picture.name, name) == 0) return &picture;
    return nullptr;
}

// The offscreen platform says for every window that it cannot pass size hints on; that is
// no fault of the picture.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains("propagateSizeHints")) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

extern "C" void onWatchdog(int) {
    constexpr char text[] = "vantrel-guide-shots: still drawing after a minute; given up\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, text, sizeof text - 1);
    _exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fail("usage: vantrel-guide-shots OUTPUT_FOLDER");
        return 2;
    }
    std::string missing;
    for (const char* name : kPictureNames)
        if (!pictureOf(name)) missing += std::string(" ") + name;
    if (!missing.empty()) {
        fail("no picture for" + missing +
             ": add an entry with example values to kPictures in host/guide/shots/guide_shots.cpp");
        return 1;
    }
    const QString outputPath = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!QDir().mkpath(outputPath)) {
        fail(outputPath.toStdString() + ": the folder cannot be made");
        return 1;
    }
    const std::string outputFolder = outputPath.toStdString();

    qInstallMessageHandler(quietMessages);
    signal(SIGALRM, onWatchdog);
    alarm(kWatchdogSeconds);

    // Settings, window state, the error log and the library's trace all land in a folder of
    // the run's own, removed at the end; no device named in the environment is shown.
    QTemporaryDir home;
    if (!home.isValid()) {
        fail("no temporary folder");
        return 1;
    }
    const QByteArray folder = home.path().toLocal8Bit();
    for (const char* variable :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        setenv(variable, folder.constData(), 1);
    for (int port = 1; port <= kComPorts; ++port)
        unsetenv((std::string(kPortVariablePrefix) + std::to_string(port)).c_str());
    unsetenv("VANTLINK_TRACE");
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (::chdir(folder.constData()) != 0) {
        fail("cannot enter the temporary folder");
        return 1;
    }

    int code = 0;
    {
        CVantrelApp app(argc, argv);
        setOperatorCanAnswer(false);
        const ExampleSite site = exampleSite();
        Context context{site, app, folder.toStdString(), {}, false};
        for (const char* name : kPictureNames) {
            QWidget* window = pictureOf(name)->make(context);
            const std::string path = outputFolder + "/" + name + ".png";
            if (!window) {
                fail(path + ": the window could not be made");
                code = 1;
            } else if (!drawPicture(context, *window, path)) {
                code = 1;
            }
        }
        context.keep.clear();
    }
    return code;
}
