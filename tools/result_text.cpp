#include "result_text.h"

#include <map>

namespace vantctl {

std::string result_text(int32_t code) {
    static const std::map<int32_t, const char*> kTexts = {
        {0, "Successfully"},
        {1, "Unsuccessful"},
        {2, "Illegal command"},
        {3, "Host get NAK"},
        {4, "Time out"},
        {5, "Get unknown response"},
        {6, "Return string BBC error"},
        {7, "No data to be enquired"},
        {9, "Fail to set power saving off"},
        {48, "doesn't exist"},
        {49, "Illegal file name"},
        {51, "File already exist ,system can't change file name"},
        {52, "File open error"},
        {53, "No program is executed"},
        {54, "From flash ROM"},
        {64, "RAM disk isn't empty"},
        {65, "Out of memory size"},
        {80, "Upload mode"},
        {252, "No transfer is open"},
    };
    const auto found = kTexts.find(code);
    return found == kTexts.end() ? std::string() : found->second;
}

}  // namespace vantctl
