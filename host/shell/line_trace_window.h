#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>

#include "trace_lines.h"

class QWidget;

namespace vantrel {

class LogPane;

// The Line Trace Window: every byte the link library sends and receives, one line per burst in
// the library's trace form. The library's trace handler is installed only while the pane is
// shown; the handler only buffers, and the pane takes the buffered lines in batches, so a
// transfer is not slowed by one widget update per byte.
class LineTraceWindow : public QObject {
    Q_OBJECT
public:
    static constexpr int kBatchIntervalMs = 250;

    explicit LineTraceWindow(QWidget* owner);
    ~LineTraceWindow() override;

    LogPane* pane() const { return pane_; }
    bool isShown() const { return shown_; }
    // True while the library hands its bytes to this window.
    bool isTracing() const;

    void show();
    // Takes what was buffered while shown, then stops tracing.
    void hide();
    // Empties the pane and the buffer; only while shown, as for the other panes.
    void clear();
    // Moves the finished lines to the pane, and the burst still going on too when `all` is set.
    void appendBuffered(bool all = false);
    // What the library's handler does with the bytes it is handed.
    void addBytes(uint64_t nowMs, char direction, int port, std::span<const uint8_t> bytes) {
        buffer_.add(nowMs, direction, port, bytes);
    }

private:
    static void onLineBytes(void* context, int32_t direction, int32_t port,
                            const unsigned char* bytes, int32_t count);
    void stopTracing();

    LogPane* pane_;
    QTimer batchTimer_;
    TraceLines buffer_;
    bool shown_ = false;
};

}  // namespace vantrel
