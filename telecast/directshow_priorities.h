// The DirectShow thread priorities Telecast asks for while it runs: the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\DirectShow\ThreadPriority with the priority of each
// class of graph thread. Telecast writes them at start and takes them away at exit.
#pragma once

namespace telecast {

inline constexpr char kDirectShowKey[] = "SOFTWARE\\Microsoft\\DirectShow";
inline constexpr char kThreadPriorityKey[] = "SOFTWARE\\Microsoft\\DirectShow\\ThreadPriority";

// Creates the key with "Highest" 247, "AboveNormal", "Normal", "BelowNormal" 248 and "Video"
// 247; false ("[TelecastPlayer] Couldn't create registry key\r\n") when the key cannot be made.
bool SetDirectShowThreadPriorities();
// Deletes the ThreadPriority key, then the DirectShow key only when nothing else is left in it:
// another program's DirectShow settings stay.
void DeleteDirectShowThreadPriorities();

}  // namespace telecast
