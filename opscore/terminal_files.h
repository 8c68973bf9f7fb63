// Names of files on both sides of the line, and where files uploaded from a terminal are kept.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace opscore {

// The terminal-side name of a PC file: the text after the last '/', '\' or ':' of its path, the
// whole path when it holds none.
std::string_view base_name(std::string_view pc_path);

// A file in the terminal's EMS area: "C:" before its name.
std::string ems_name(std::string_view name);

// A program as run and autoboot name it: the file name cut at its first "." (PROG.EXE is PROG).
std::string_view program_name(std::string_view file_name);

// A program or file in the terminal's flash ROM: "/ROM" after its name.
std::string flash_rom_name(std::string_view name);

// The name under which a terminal file is kept on the PC: without the EMS prefix and the
// flash-ROM suffix that only tell the terminal where to look (either in any case).
std::string_view local_name_of(std::string_view terminal_name);

// Whether a terminal file name may be joined under a local folder: not empty, not "." or "..",
// no '/', '\' or NUL. Names can come from a terminal's directory listing, so nobody vouches
// for them.
bool is_safe_terminal_file_name(std::string_view name);

// The folder of the files uploaded from the terminal at address: <work folder>/ADDR_<a>, the
// current folder when work_folder is empty. None for an address that cannot stand in a folder
// name ('/', '\', NUL).
std::optional<std::string> terminal_folder(std::string_view work_folder, char address);

// Where an uploaded terminal file is kept: <work folder>/ADDR_<a>/<name>. None for an unsafe
// name or address: the file must land in that folder and nowhere else.
std::optional<std::string> uploaded_file_path(std::string_view work_folder, char address,
                                              std::string_view terminal_file_name);

}  // namespace opscore
