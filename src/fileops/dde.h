#pragma once
// Opening file items: in the program registered with their cabinet (a browser, usually), in
// the application the desktop associates with the file, or in a registered tool.
//
// A cached file is never handed over by its online address: no browser on this desktop holds
// the old cache, and a copy taken from evidence must not make the machine fetch anything. A
// browser gets the local copy's "file://" address instead. A cabinet program that cannot run
// here (a Windows path from an old disk, a file that is missing or not executable) gives way
// to the desktop's default application for the local copy. When nothing can open the file,
// the status panel says so.
#include <string>

class TFile;

// Opens one file item (double-click or Enter in any list of items).
void OpenFile(TFile &file);
// Hands a browser program the address to show; false when it could not be started.
bool OpenInBrowser(const std::string &program, const std::string &address);
// Starts a tool on a file's path; false when it could not be started (nothing is shown).
bool RunTool(const std::string &toolProgram, const std::string &path);

// Whether a program path names a program that can run here: an absolute path to an
// executable regular file.
bool ProgramRunsHere(const std::string &program);
// The "file://" address of a local path.
std::string LocalFileAddress(const std::string &path);

// Status texts.
inline constexpr const char *MsgFileMissing = "ファイルが見つかりません: ";
inline constexpr const char *MsgCannotOpen = "開くことのできるアプリケーションがありません: ";
