// Device servers on the network are not offered on Windows: the open says so plainly.
#include "net_port.h"
#include "port_diagnosis.h"

namespace vantlink {

std::unique_ptr<Transport> open_network_port(const std::string& url, const std::string&,
                                             const LineSettings&, std::string& reason) {
    reason = diagnose_network_url(url);
    return nullptr;
}

}  // namespace vantlink
