#pragma once

#include <QIcon>
#include <QPoint>

class QPainter;

namespace vantrel {

inline constexpr int kPcSize = 94;
inline constexpr int kTerminalWidth = 49;
inline constexpr int kTerminalHeight = 60;
inline constexpr int kMarkerWidth = 12;
inline constexpr int kMarkerHeight = 13;

// The pictures of the line panel, drawn in code at their top-left corner.
void drawPc(QPainter& painter, QPoint at);
void drawTerminal(QPainter& painter, QPoint at, int kind, int status);
// One step (1..9) of the transfer animation of the current terminal.
void drawTerminalAnimation(QPainter& painter, QPoint at, int kind, int step);
void drawSelectionMarker(QPainter& painter, QPoint at, bool selected);

// Toolbar icon for a command identifier.
QIcon toolbarIcon(int commandId);

}  // namespace vantrel
