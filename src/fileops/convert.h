#pragma once
// Copying an HTML file while its links are rewritten so that the copy works offline.
//
// Every link value that the link walk (html/token.h) finds is replaced: a link to a file
// copied in the same paste becomes a relative path, a link to a file that another cabinet
// holds becomes the "file:///" address where that file will lie after the added-files batch
// (and the file is collected, when the options say so), a link into the target mirror becomes
// relative, and every other link becomes its absolute address. The "<BASE" tag is taken out;
// pages from a browser cache get the reload footer. Nothing else of the page changes.
#include <string>
#include <string_view>

#include "items/file.h"

// Copies the HTML file item source (of a cache or a mirror log) into the file of the file item
// target (created for it in a plain or mirror log), converting its links as above. Reads the
// running batch's state (FileOpWindow: Clip, LinkPrefix, AddedPass); without a running batch
// nothing counts as pasted and added files would lie below the target's cabinet folder.
// A source that cannot be read, a target that cannot be written, or a failure during the
// conversion shows "ファイル PATH が開けません。" (the source's or the target's path) and
// leaves any previous target file unchanged: the data is written to a temporary file that
// replaces the target only when complete. Items destroyed while the event loop turns during
// the conversion end it the same way. Never throws, except TAbort.
void ConvertingCopy(TFile &source, TFile &target);

// The lookups: each returns the new link text, or "" when the caller writes the absolute
// address. Only file items count as found. A found file that is not part of the batch is
// collected into AddedFiles only when the option for the target's kind (OpCopyLink for a plain
// log, OpMirrorLink for a mirror) is on; otherwise the result is "".
// url: a "file:///" address that may name a file below source's cabinet folder.
std::string LocalLink(const TFile &source, const TFile &target, std::string_view url);
// url: an absolute address, looked up in source's cabinet, then in the registered cabinets
// from the last to the first (plain logs, source's and target's cabinets skipped).
std::string LinkInOtherCabinets(const TFile &source, const TFile &target, std::string_view url);
// url: an absolute address looked up in target's own cabinet (a mirror). Relative from the
// target, else the "file:///" address of the found file; no option is read, nothing collected.
std::string LinkInMirror(const TFile &target, std::string_view url);

// A relative link from the file at fromPath to the file at toPath (both GetLinkPath values,
// "/"-separated below their cabinets; ASCII case ignored when comparing segments). "" when
// the paths share no leading segment.
//   from "h/d/e/z.html" to "h/q.gif" → "../../q.gif"; from "h/z.html" to "h/x/y.html" →
//   "x/y.html"; from "h1/a.html" to "h2/b.gif" → "".
std::string RelativeLink(std::string_view toPath, std::string_view fromPath);

// The footer appended to a page copied out of a browser cache: a link back to pageURL with
// the picture "Reload.gif" of the program's folder.
std::string ReloadFooter(std::string_view pageURL);

// A link value as written between double quotes: a double quote inside it becomes "%22", so
// the value can never end the attribute early.
std::string QuotedLinkText(std::string_view link);
