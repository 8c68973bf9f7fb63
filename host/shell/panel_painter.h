#pragma once

#include <QPalette>
#include <QPoint>

class QFontMetrics;
class QPainter;

namespace vantrel {

struct HostSettings;
struct HostState;

// What a double click in the line panel landed on.
struct PanelHit {
    enum class Kind { Nothing, StartButton, Terminal };
    Kind kind = Kind::Nothing;
    int index = -1;  // address position for Terminal
};

PanelHit hitTestPanel(QPoint contentPoint, int addressCount);

// Width the pictures of addressCount terminals need.
int panelContentWidth(int addressCount);
// Height down to the last transfer line ("Percents") in the font of metrics.
int panelContentHeight(const QFontMetrics& metrics);
int terminalX(int index);

// Draws the line panel in content coordinates. Drawing consumes the one-shot parts of the
// progress phase (an animation step, the forced full repaint), as the phase is defined.
// Addresses that are not selected take their colour from the palette.
void paintPanel(QPainter& painter, const HostSettings& settings, HostState& state,
                const QPalette& palette = QPalette());

// The colour of an address that is not selected: the inactive caption colour, which Qt knows
// as the highlight of the inactive colour group.
QColor unselectedAddressColour(const QPalette& palette);

}  // namespace vantrel
