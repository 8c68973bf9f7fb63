// Execute > Download, Download (From Dir), Upload, Upload (From Dir), and their command-line
// forms, installed with the window's boxes and dialogs.
#pragma once

namespace vantrel {

class HostServices;

void install_transfer_commands(HostServices& services);

}  // namespace vantrel
