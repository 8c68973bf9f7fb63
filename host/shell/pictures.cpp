#include "pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "command_ids.h"
#include "host_state.h"

namespace vantrel {

namespace {

QColor screenColour(int status) {
    switch (static_cast<TerminalStatus>(status)) {
        case TerminalStatus::TimeOut:
            return QColor(255, 160, 40);
        case TerminalStatus::Done:
            return QColor(60, 200, 80);
        case TerminalStatus::Transferring:
            return QColor(70, 140, 255);
        case TerminalStatus::Addressed:
            return QColor(255, 235, 60);
        case TerminalStatus::Failed:
            return QColor(230, 40, 40);
        case TerminalStatus::FileMissing:
            return QColor(170, 80, 200);
        case TerminalStatus::Idle:
        default:
            return QColor(170, 190, 170);
    }
}

QColor bodyColour(int kind) {
    static const QColor colours[] = {QColor(90, 90, 100), QColor(40, 70, 120),
                                     QColor(120, 90, 50), QColor(30, 110, 100),
                                     QColor(110, 40, 90), QColor(70, 100, 40)};
    return kind >= 0 && kind < 6 ? colours[kind] : colours[0];
}

// A hand-held unit: tall body, screen on top, keypad below; fixed units are wider and lower.
void drawBody(QPainter& p, QRect box, int kind) {
    const bool fixedUnit = kind == 2 || kind == 4;
    QRect body = fixedUnit ? box.adjusted(0, 14, 0, 0) : box.adjusted(7, 0, -7, 0);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(bodyColour(kind));
    p.drawRoundedRect(body, 5, 5);
    if (kind == 1 || kind == 3) {  // scanner head
        p.setBrush(QColor(200, 40, 40));
        p.drawRect(QRect(body.left() + 8, body.top() - 1, body.width() - 16, 4));
    }
}

QRect screenRect(QRect box, int kind) {
    const bool fixedUnit = kind == 2 || kind == 4;
    return fixedUnit ? QRect(box.left() + 5, box.top() + 19, box.width() - 10, 16)
                     : QRect(box.left() + 11, box.top() + 6, box.width() - 22, 20);
}

void drawKeypad(QPainter& p, QRect box, int kind) {
    const bool fixedUnit = kind == 2 || kind == 4;
    const int top = fixedUnit ? box.top() + 39 : box.top() + 31;
    const int left = fixedUnit ? box.left() + 6 : box.left() + 12;
    const int columns = fixedUnit ? 6 : 4;
    const int rows = fixedUnit ? 3 : 4;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(225, 225, 225));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) p.drawRect(left + c * 6, top + r * 6, 4, 4);
}

void drawStatusGlyph(QPainter& p, QRect screen, int status) {
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::NoBrush);
    const QPoint c = screen.center();
    switch (static_cast<TerminalStatus>(status)) {
        case TerminalStatus::Done:
            p.drawPolyline(QPolygon({c + QPoint(-5, 0), c + QPoint(-1, 4), c + QPoint(6, -4)}));
            break;
        case TerminalStatus::Failed:
            p.drawLine(c + QPoint(-4, -4), c + QPoint(4, 4));
            p.drawLine(c + QPoint(-4, 4), c + QPoint(4, -4));
            break;
        case TerminalStatus::TimeOut:
            p.drawEllipse(c, 5, 5);
            p.drawLine(c, c + QPoint(0, -4));
            p.drawLine(c, c + QPoint(3, 0));
            break;
        case TerminalStatus::Transferring:
            p.drawLine(c + QPoint(-6, 0), c + QPoint(6, 0));
            p.drawLine(c + QPoint(3, -3), c + QPoint(6, 0));
            p.drawLine(c + QPoint(3, 3), c + QPoint(6, 0));
            break;
        case TerminalStatus::Addressed:
            p.drawPoint(c + QPoint(-4, 0));
            p.drawPoint(c);
            p.drawPoint(c + QPoint(4, 0));
            break;
        case TerminalStatus::FileMissing:
            p.drawText(screen, Qt::AlignCenter, "?");
            break;
        case TerminalStatus::Idle:
        default:
            break;
    }
}

}  // namespace

void drawPc(QPainter& p, QPoint at) {
    p.save();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(210, 205, 190));
    p.drawRect(at.x() + 8, at.y() + 2, 70, 52);  // monitor
    p.setBrush(QColor(20, 60, 120));
    p.drawRect(at.x() + 14, at.y() + 8, 58, 40);
    p.setBrush(QColor(210, 205, 190));
    p.drawRect(at.x() + 34, at.y() + 54, 18, 6);           // neck
    p.drawRect(at.x() + 2, at.y() + 60, kPcSize - 4, 30);  // case
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(at.x() + 10, at.y() + 68, 40, 4);  // drive slot
    // The start button that a double click presses.
    p.setBrush(QColor(40, 180, 60));
    p.drawRect(at.x() + 76, at.y() + 61, 13, 8);
    p.restore();
}

void drawTerminal(QPainter& p, QPoint at, int kind, int status) {
    p.save();
    const QRect box(at, QSize(kTerminalWidth, kTerminalHeight));
    drawBody(p, box, kind);
    const QRect screen = screenRect(box, kind);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(screenColour(status));
    p.drawRect(screen);
    drawStatusGlyph(p, screen, status);
    drawKeypad(p, box, kind);
    p.restore();
}

void drawTerminalAnimation(QPainter& p, QPoint at, int kind, int step) {
    drawTerminal(p, at, kind, static_cast<int>(TerminalStatus::Transferring));
    p.save();
    const QRect screen = screenRect(QRect(at, QSize(kTerminalWidth, kTerminalHeight)), kind);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    // A block moving across the screen, one position per step.
    const int x = screen.left() + 2 + ((step - 1) % 5) * (screen.width() - 6) / 5;
    p.drawRect(x, screen.top() + 2, 4, screen.height() - 4);
    p.restore();
}

void drawSelectionMarker(QPainter& p, QPoint at, bool selected) {
    p.save();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(at.x(), at.y(), kMarkerWidth - 1, kMarkerHeight - 1);
    if (selected) {
        p.setPen(QPen(QColor(0, 120, 0), 2));
        p.drawPolyline(QPolygon({at + QPoint(2, 6), at + QPoint(5, 9), at + QPoint(10, 2)}));
    }
    p.restore();
}

QIcon toolbarIcon(int id) {
    struct Glyph {
        int id;
        const char* text;
        QColor colour;
    };
    static const Glyph glyphs[] = {
        {ID_EXEC_COLD_START, "CS", QColor(30, 90, 200)},
        {ID_SET_AUTOBOOT, "AB", QColor(120, 60, 160)},
        {ID_SET_BAR_TABLE, "BC", QColor(60, 60, 60)},
        {ID_SET_COMM_TABLE, "CT", QColor(0, 130, 130)},
        {ID_SET_TIME_DATE, "TD", QColor(200, 120, 0)},
        {ID_SET_DEVICE_TABLE, "DV", QColor(90, 90, 0)},
        {ID_INQ_DIRECTORY, "DR", QColor(0, 110, 40)},
        {ID_EXEC_DOWNLOAD, "DL", QColor(0, 90, 180)},
        {ID_SET_EXE_SIZE, "EX", QColor(140, 70, 20)},
        {ID_EXEC_POLL, "PL", QColor(0, 150, 60)},
        {ID_EXEC_PURGE, "DEL", QColor(180, 30, 30)},
        {ID_INQ_RAM_SIZE, "RAM", QColor(80, 80, 160)},
        {ID_EXEC_RUN, "RUN", QColor(20, 130, 20)},
        {ID_EXEC_UPLOAD, "UL", QColor(180, 90, 0)},
        {ID_SET_UPS_OFF, "UPS", QColor(110, 110, 110)},
        {ID_EXEC_WARM_START, "WS", QColor(200, 60, 60)},
        {ID_EXEC_STOP, "", QColor(210, 0, 0)},
    };
    QPixmap pixmap(24, 22);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    for (const auto& glyph : glyphs) {
        if (glyph.id != id) continue;
        if (id == ID_EXEC_STOP) {
            p.setPen(Qt::NoPen);
            p.setBrush(glyph.colour);
            p.drawEllipse(QRect(2, 1, 20, 20));
            p.setBrush(Qt::white);
            p.drawRect(QRect(7, 9, 10, 4));
            break;
        }
        p.setPen(QPen(glyph.colour.darker(150), 1));
        p.setBrush(glyph.colour.lighter(170));
        p.drawRoundedRect(QRectF(1.5, 1.5, 21, 19), 3, 3);
        QFont font = p.font();
        font.setPixelSize(std::string_view(glyph.text).size() > 2 ? 8 : 10);
        font.setBold(true);
        p.setFont(font);
        p.setPen(glyph.colour.darker(130));
        p.drawText(QRect(0, 0, 24, 22), Qt::AlignCenter, glyph.text);
        break;
    }
    return QIcon(pixmap);
}

}  // namespace vantrel
