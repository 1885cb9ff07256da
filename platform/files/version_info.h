// File version information of program files, as the device's version calls give it: read from
// the version record the build embeds in every program (see version_record.h). Paths are device
// paths, UTF-8.
#pragma once

#include <string>

#include "platform/win32_types.h"

// The size of the file's version record, 0 when it has none (ERROR_RESOURCE_DATA_NOT_FOUND; a
// file that is not a program, ERROR_BAD_FORMAT; a missing file, ERROR_FILE_NOT_FOUND). *handle
// is set to 0; it means nothing here.
DWORD GetFileVersionInfoSize(const std::string& path, DWORD* handle);
// Copies the record into data; FALSE when it has none or length is smaller than the record
// (ERROR_INSUFFICIENT_BUFFER).
BOOL GetFileVersionInfo(const std::string& path, DWORD handle, DWORD length, void* data);
// A value of a record that GetFileVersionInfo filled in, pointing into the block:
//   "\VarFileInfo\Translation": the {WORD language, WORD code page} pairs; length in bytes.
//   "\StringFileInfo\LLLLCCCC\Key" (language and code page as 8 hex digits, e.g. 041204B0):
//     a zero-terminated string; length in characters, the zero included.
// Names compare ignoring case. FALSE with buffer null and length 0 for anything else.
BOOL VerQueryValue(const void* block, const std::string& sub_block, void** buffer, UINT* length);
