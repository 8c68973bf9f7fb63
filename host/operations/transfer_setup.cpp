#include "transfer_setup.h"

#include "command_ids.h"
#include "host_services.h"
#include "modal_boxes.h"
#include "transfer_file_dlgs.h"
#include "vantlink.h"

namespace vantrel {

void runSetupUploadCfg(HostServices& services, QWidget* owner) {
    services.reloadSettings();
    HostSettings& s = services.settings();
    const auto values = askUploadFiles(uploadFilesValuesFor(s), owner);
    if (!values) return;
    applyUploadFilesValues(*values, s);
    HM_set_upload_file_save_mode(static_cast<std::int32_t>(s.Upload_Save_Mode));
    services.saveSettings();
    services.redraw();
}

void runSetupDownloadCfg(HostServices& services, QWidget* owner) {
    services.reloadSettings();
    HostSettings& s = services.settings();
    const auto values = askDownloadFiles(downloadFilesValuesFor(s), owner);
    if (!values) return;
    applyDownloadFilesValues(*values, s);
    services.saveSettings();
    services.redraw();
}

void install_transfer_setup_commands(HostServices& services) {
    QWidget* owner = boxOwner(services);
    auto& host = services;
    services.setCommandHandler(ID_SETUP_UPLOAD_CFG,
                               [&host, owner] { runSetupUploadCfg(host, owner); });
    services.setCommandHandler(ID_SETUP_DOWNLOAD_CFG,
                               [&host, owner] { runSetupDownloadCfg(host, owner); });
}

}  // namespace vantrel
