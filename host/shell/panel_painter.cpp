#include "panel_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <cstdio>
#include <string>

#include "host_settings.h"
#include "host_state.h"
#include "pictures.h"

namespace vantrel {

namespace {

constexpr int kFirstTerminalX = 168;
constexpr int kTerminalPitch = 70;
constexpr int kPictureTop = 28;
constexpr int kBusY = 110;
constexpr int kLastTextLineY = 200;
constexpr int kBottomMargin = 10;

void text(QPainter& p, int x, int y, const QString& s) {
    p.drawText(QRect(x, y, 2000, p.fontMetrics().height()), Qt::AlignLeft | Qt::AlignTop, s);
}

template <typename... Args>
QString formatted(const char* format, Args... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return QString::fromLocal8Bit(buffer);
}

void drawUploadLoop(QPainter& p, const HostState& s) {
    if (!s.uploadWaiting) return;
    text(p, 120, 150, "Next Upload");
    text(p, 120, 170, formatted("%4d second  ", s.uploadSecondsLeft));
}

void drawPollingWindow(QPainter& p, const HostSettings& settings, const HostState& s) {
    if (settings.Polling_Period != PollingPeriod::Specify) return;
    text(p, 120, 1,
         formatted("Polling from %8s to %8s Current: %8s     ", settings.Start_Time.c_str(),
                   settings.Stop_Time.c_str(), s.pollClockText.c_str()));
}

void drawBus(QPainter& p, int addressCount) {
    p.save();
    p.setPen(QPen(Qt::black, 2, Qt::DashDotDotLine));
    p.drawLine(57, 104, 57, kBusY);
    p.drawLine(57, kBusY, 104 + kTerminalPitch * addressCount, kBusY);
    p.restore();
}

void drawAddress(QPainter& p, const HostSettings& settings, const HostState& s, int k,
                 const QColor& unselected) {
    const int x = terminalX(k);
    const bool selected = s.selection[k] != 0;
    drawTerminal(p, QPoint(x - 18, kPictureTop), s.kind[k], static_cast<int>(s.status[k]));
    p.save();
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(x + 6, 88, x + 6, kBusY);
    drawSelectionMarker(p, QPoint(x, 90), selected);
    p.setPen(selected ? QColor(Qt::black) : unselected);
    text(p, x, 115, QString(QChar(settings.Address[k])));
    p.restore();
    if (s.panelMode == PanelMode::Polling)
        text(p, x - 18, 140, QString::fromStdString(s.lastDataTime[k]));
}

void drawTransferTexts(QPainter& p, const HostState& s) {
    if (s.bytes == 0) return;
    text(p, 10, 140, "File Name");
    text(p, 10, 160, "Packet");
    text(p, 10, 180, "Bytes");
    if (s.panelMode == PanelMode::OneShot)
        text(
            p, 100, 140,
            formatted(":  %s   /  Save AS : %s", s.terminalFileName.c_str(), s.pcFileName.c_str()));
    else
        text(p, 100, 140, formatted(":  %s", s.terminalFileName.c_str()));
    text(p, 100, 160, formatted(":  %ld", static_cast<long>(s.packets)));
    text(p, 100, 180, formatted(":  %ld", static_cast<long>(s.bytes)));
    if (s.panelMode == PanelMode::Download && s.totalBytes > 0) {
        const long long percent = static_cast<long long>(s.bytes) * 100 / s.totalBytes;
        text(p, 10, kLastTextLineY, "Percents");
        text(p, 100, kLastTextLineY, formatted(":  %lld  %c", percent, '%'));
    }
}

}  // namespace

int terminalX(int index) {
    return kFirstTerminalX + kTerminalPitch * index;
}

int panelContentWidth(int addressCount) {
    return 150 + kTerminalPitch * addressCount;
}

int panelContentHeight(const QFontMetrics& metrics) {
    return kLastTextLineY + metrics.height() + kBottomMargin;
}

PanelHit hitTestPanel(QPoint at, int addressCount) {
    if (at.x() >= 86 && at.x() <= 99 && at.y() >= 71 && at.y() <= 79)
        return {PanelHit::Kind::StartButton, -1};
    if (at.y() >= kPictureTop && at.y() <= 88 && at.x() > 150 &&
        (at.x() - 150) % kTerminalPitch < 48) {
        const int index = (at.x() - 150) / kTerminalPitch;
        if (index < addressCount && index < kAddressSlots) return {PanelHit::Kind::Terminal, index};
    }
    return {};
}

QColor unselectedAddressColour(const QPalette& palette) {
    return palette.color(QPalette::Inactive, QPalette::Highlight);
}

void paintPanel(QPainter& p, const HostSettings& settings, HostState& s, const QPalette& palette) {
    p.setPen(Qt::black);
    if (settings.Upload_Loop) drawUploadLoop(p, s);
    if (s.panelMode == PanelMode::Nothing) return;
    if (s.panelMode == PanelMode::Polling) drawPollingWindow(p, settings, s);

    // Every paint draws the whole panel: a retained window may be asked to repaint at any
    // time, and the current terminal shows its animation step while a transfer runs.
    const int count = std::min<int>(static_cast<int>(settings.Address.size()), kAddressSlots);
    drawPc(p, QPoint(10, 10));
    drawBus(p, count);
    const QColor unselected = unselectedAddressColour(palette);
    for (int k = 0; k < count; ++k) drawAddress(p, settings, s, k, unselected);

    const int phase = s.progressPhase;
    if (phase >= kPhaseRepaintBoost) s.progressPhase -= kPhaseRepaintBoost;
    if (phase >= kPhaseFull) return;

    if (phase >= 1 && s.currentIndex >= 0 && s.currentIndex < count) {
        const QPoint at(150 + kTerminalPitch * s.currentIndex, kPictureTop);
        p.fillRect(QRect(at, QSize(kTerminalWidth, kTerminalHeight)), p.background());
        drawTerminalAnimation(p, at, s.kind[s.currentIndex], phase);
        s.progressPhase = 0;
    }
    drawTransferTexts(p, s);
}

}  // namespace vantrel
