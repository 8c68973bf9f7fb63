#pragma once

class QWidget;

namespace vantrel {

class HostServices;

// The menu handlers of the communication settings dialogs. Each starts from the file's values,
// changes nothing on Cancel, and on OK stores, applies and saves the whole record.
void runSetupParameter(HostServices& services, QWidget* owner);
void runSetupCommandLine(HostServices& services, QWidget* owner);
void runSetupModem(HostServices& services, QWidget* owner);

}  // namespace vantrel
