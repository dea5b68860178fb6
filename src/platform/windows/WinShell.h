// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// shell32's FindExecutableA and ShellExecuteA, texts in the ANSI code page.
namespace winshell {

// The program Windows opens the document with; empty when FindExecutableA answers 32 or
// less (no association, no such file).
std::string FindExecutableOf(const std::string& document);

// ShellExecuteA(owner, "open", program, argument, no folder, SW_SHOWNORMAL): starts the
// program with the argument as its parameters, without waiting. False when ShellExecuteA
// answers 32 or less. The owner is the window handle of the window that asks, or null.
bool OpenWith(const std::string& program, const std::string& argument, void* owner);

}  // namespace winshell
