// Setup > Upload cfg. and Setup > Download cfg.: the file lists of the multi-file transfers.
#pragma once

class QWidget;

namespace vantrel {

class HostServices;

// Each starts from the file's values, changes nothing on Cancel, and on OK stores the list,
// saves the whole record and repaints; the upload list also hands its save mode to the link.
void runSetupUploadCfg(HostServices& services, QWidget* owner);
void runSetupDownloadCfg(HostServices& services, QWidget* owner);

void install_transfer_setup_commands(HostServices& services);

}  // namespace vantrel
