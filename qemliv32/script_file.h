// Stream script files (*.qem): a text file whose first line is the stream
// URL.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qem {

constexpr const char* kScriptExtension = "qem";
constexpr const char* kScriptMimeType = "video/qem";
// The save dialog's filter, as the system's file dialogs take it.
constexpr const char* kScriptSaveFilter = "QEM Script File | *.qem ||";
// Characters of the first line that are looked at.
constexpr std::size_t kMaxScriptLine = 256;
// The engine's error number for a script that cannot be read.
constexpr int kErrorScriptUnreadable = 17;

// The URL held by a script's bytes: the first line, at most kMaxScriptLine
// characters, ending early at a zero byte, with trailing line feeds, form
// feeds and carriage returns removed.
std::string script_url(std::string_view contents);

// What Save writes: the URL followed by one zero byte, no line end.
std::string script_contents(std::string_view url);

// The URL of the script at path, or nullopt when it cannot be opened or
// read (error kErrorScriptUnreadable). Only the start of the file is read.
std::optional<std::string> read_script_file(const std::string& path);

// False when the file cannot be created or written ("Failed to create
// file!").
bool write_script_file(const std::string& path, std::string_view url);

}  // namespace qem
