#include "line_trace_window.h"

#include <string>

#include "log_pane.h"
#include "vantlink.h"

namespace vantrel {

namespace {

// The library has one handler for the process; the window that installed it.
LineTraceWindow* tracingWindow = nullptr;

constexpr int kMaxPaneLines = LogPane::kMaxEntries + 1;

}  // namespace

LineTraceWindow::LineTraceWindow(QWidget* owner)
    : QObject(owner), pane_(new LogPane("Line Trace Window", owner)), buffer_(kMaxPaneLines) {
    batchTimer_.setInterval(kBatchIntervalMs);
    connect(&batchTimer_, &QTimer::timeout, this, [this] { appendBuffered(); });
    // The close box hides the pane: the trace must stop with it.
    connect(pane_, &LogPane::closedByOperator, this, [this] { hide(); });
}

LineTraceWindow::~LineTraceWindow() {
    stopTracing();
}

bool LineTraceWindow::isTracing() const {
    return tracingWindow == this;
}

void LineTraceWindow::show() {
    pane_->show();
    shown_ = true;
    if (isTracing()) return;
    buffer_.clear();
    tracingWindow = this;
    HM_set_trace_handler(&LineTraceWindow::onLineBytes, this);
    batchTimer_.start();
}

void LineTraceWindow::hide() {
    if (isTracing()) appendBuffered(true);
    stopTracing();
    pane_->hide();
    shown_ = false;
}

void LineTraceWindow::clear() {
    if (!shown_) return;
    buffer_.clear();
    pane_->clearEntries();
}

void LineTraceWindow::appendBuffered(bool all) {
    std::vector<std::string> lines = buffer_.take(traceClockMs(), all);
    if (lines.empty()) return;
    const auto count = static_cast<int>(lines.size());
    // Room first, so the pane never holds more lines than the other panes at most do.
    const int excess = pane_->entryCount() + count - kMaxPaneLines;
    if (excess > 0) pane_->clearEntries(excess);
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    pane_->appendText(text);
}

void LineTraceWindow::onLineBytes(void* context, int32_t direction, int32_t port,
                                  const unsigned char* bytes, int32_t count) {
    if (count <= 0 || bytes == nullptr) return;
    auto* window = static_cast<LineTraceWindow*>(context);
    window->addBytes(traceClockMs(), static_cast<char>(direction), port,
                     std::span<const uint8_t>(bytes, static_cast<std::size_t>(count)));
}

void LineTraceWindow::stopTracing() {
    batchTimer_.stop();
    if (!isTracing()) return;
    HM_set_trace_handler(nullptr, nullptr);
    tracingWindow = nullptr;
}

}  // namespace vantrel
