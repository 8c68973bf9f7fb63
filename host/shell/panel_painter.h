#pragma once

#include <QPoint>

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
int terminalX(int index);

// Draws the line panel in content coordinates. Drawing consumes the one-shot parts of the
// progress phase (an animation step, the forced full repaint), as the phase is defined.
void paintPanel(QPainter& painter, const HostSettings& settings, HostState& state);

}  // namespace vantrel
