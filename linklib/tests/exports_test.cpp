// The shared library exports exactly the interface: the HM_ and HC_ functions of the index.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

std::set<std::string> defined_dynamic_symbols() {
    std::set<std::string> names;
    const std::string command = "nm -D --defined-only '" + std::string(VANTLINK_SO) + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        const auto blank = text.rfind(' ');
        names.insert(blank == std::string::npos ? text : text.substr(blank + 1));
    }
    pclose(pipe);
    return names;
}

// The names of the ordinal table kept for a Windows build: "    NAME @N" lines.
std::set<std::string> ordinal_table_names() {
    std::set<std::string> names;
    std::ifstream def(VANTLINK_DEF);
    std::string line;
    while (std::getline(def, line)) {
        std::istringstream words(line);
        std::string name, ordinal;
        if (words >> name >> ordinal && ordinal.starts_with("@")) names.insert(name);
    }
    return names;
}

}  // namespace

TEST(LinkExports, ExactlyTheOrdinalTableIsExported) {
    const auto table = ordinal_table_names();
    EXPECT_EQ(table.size(), 81u) << "75 numbered functions, the message pump and its interval, "
                                    "the trace handler, the line state, the cancel and the "
                                    "port's device";
    EXPECT_EQ(defined_dynamic_symbols(), table);
}

TEST(LinkExports, OnlyTheInterfaceIsExported) {
    const auto names = defined_dynamic_symbols();
    ASSERT_FALSE(names.empty());
    for (const auto& name : names) {
        EXPECT_TRUE(name.starts_with("HM_") || name.starts_with("HC_")) << name;
    }
    for (const char* name : {"HM_OpenCommPort", "HM_poll", "HM_set_message_pump",
                             "HM_set_trace_handler", "HM_version", "HC_line_state"}) {
        EXPECT_TRUE(names.count(name)) << name;
    }
}
