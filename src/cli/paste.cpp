// trawler-cli paste --cabinet FOLDER[:KIND]... [--move] [--root N:ADDRESS]
//                   [--answer yes|no|all|cancel] [--set NAME=VALUE]... --into N:ADDRESS
//                   N:ADDRESS...
// Copies (or, with --move, moves) the named items into the folder named by --into, as the
// program's copy or cut and paste commands do: the first item must pass the copy (cut) rule,
// the target the paste rule. Overwrite questions get the answer of --answer (default no).
// Afterwards the index of every mirror-log and Tapline cabinet is written, as at the close of
// the program, and the local path of every file written is printed, one per line.
#include <cstdio>
#include <iostream>
#include <string>
#include <unordered_set>
#include <vector>

#include "cli/common.h"
#include "cli/output.h"
#include "config/settings.h"
#include "fileops/fileOP.h"
#include "items/clip.h"
#include "items/copySeam.h"
#include "items/file.h"
#include "platform/seam.h"
#include "stores/cache.h"

extern const char *Usage;

namespace {

// Overwrite questions answered from the command line; nothing is ever moved to a trash.
class TCliFileOpDialogs final : public TFileOpDialogs {
public:
    explicit TCliFileOpDialogs(TAnswer answer) : answer(answer) {}
    TAnswer AskOverwrite(const TOverwriteQuestion &) override { return answer; }
    TCopyWindow &CopyWindow() override { return window; }
    void MoveToTrash(const std::vector<std::string> &) override {}

private:
    class TNoWindow final : public TCopyWindow {
    public:
        void Open() override {}
        void SetCaption(const std::string &) override {}
        void SetHeader(const std::string &, const std::string &, const std::string &,
                       const std::string &) override {}
        void SetRange(int64_t) override {}
        void Step(int64_t) override {}
        void Close() override {}
    };
    TAnswer answer;
    TNoWindow window;
};

// Passes everything to the engine and notes each file that a copy wrote.
class TRecordingEngine final : public TCopyEngine {
public:
    explicit TRecordingEngine(TCopyEngine &engine) : engine(engine) {}
    std::vector<std::string> Written;

    bool CopyFileData(TFile &source, TFile &target) override {
        bool copied = engine.CopyFileData(source, target);
        if (copied) {
            std::string path = target.GetLocalPath();
            if (seen.insert(path).second)
                Written.push_back(path);
        }
        return copied;
    }
    bool OverwriteCheck(TFile &source, TFile &existing) override {
        return engine.OverwriteCheck(source, existing);
    }
    bool BeginPaste() override { return engine.BeginPaste(); }
    void RunBatch(TClip &batch, TTree &target) override { engine.RunBatch(batch, target); }

private:
    TCopyEngine &engine;
    std::unordered_set<std::string> seen;
};

TAnswer ParseAnswer(const std::string &text) {
    if (text == "yes")
        return TAnswer::Yes;
    if (text == "no")
        return TAnswer::No;
    if (text == "all")
        return TAnswer::All;
    if (text == "cancel")
        return TAnswer::Cancel;
    UsageError("the answer must be yes, no, all or cancel: " + text);
}

} // namespace

int RunPaste(const std::vector<std::string> &args) {
    std::vector<TCabinetArg> cabinetArgs;
    std::vector<std::string> names;
    std::string into;
    std::string rootName;
    bool move = false;
    TAnswer answer = TAnswer::No;
    for (TArgs walk(args); walk.Next();) {
        const std::string &arg = walk.Arg();
        if (arg == "--cabinet") {
            cabinetArgs.push_back(ParseCabinetArg(walk.Value()));
        } else if (arg == "--move") {
            move = true;
        } else if (arg == "--root") {
            rootName = walk.Value();
        } else if (arg == "--answer") {
            answer = ParseAnswer(walk.Value());
        } else if (arg == "--into") {
            into = walk.Value();
        } else if (arg == "--set") {
            ApplySetting(walk.Value());
        } else if (arg == "-h" || arg == "--help") {
            std::cout << Usage;
            return 0;
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            UsageError("unknown option of paste: " + arg);
        } else {
            names.push_back(arg);
        }
    }
    if (cabinetArgs.empty())
        UsageError("paste needs at least one --cabinet");
    if (into.empty())
        UsageError("paste needs --into N:ADDRESS");
    if (names.empty())
        UsageError("paste needs the items to paste");

    TCliMessages messages;
    TCliFileOpDialogs dialogs(answer);
    seam::SetMessages(&messages);
    seam::SetFileOpDialogs(&dialogs);
    InstallCopyEngine();
    TRecordingEngine recorder(CopyEngine());
    SetCopyEngine(&recorder);

    TCabinetRoot root;
    std::vector<TCabinet *> cabinets = RegisterCabinets(root, cabinetArgs, true);
    auto named = [&](const std::string &name) {
        TTree *item = FindNamedItem(cabinets, name);
        if (!item)
            UsageError("no such item: " + name);
        return item;
    };
    std::vector<TTree *> items;
    for (const std::string &name : names)
        items.push_back(named(name));
    TTree *target = named(into);
    TTree *clipRoot = rootName.empty() ? nullptr : named(rootName);

    int status = 0;
    bool allowed = move ? CanCut(*items.front()) : CanCopy(*items.front());
    if (allowed) {
        TClip &clip = ItemClip();
        clip.Fill(items, move ? ClipMove : ClipCopy);
        if (clipRoot)
            clip.SetRoot(clipRoot);
        if (CanPaste(*target))
            clip.Paste(*target);
    }
    // As the program does when it closes: last cabinet first.
    for (auto it = root.Cabinets().rbegin(); it != root.Cabinets().rend(); ++it)
        UpdateCabinetIndex(**it);

    std::string out;
    for (const std::string &path : recorder.Written)
        out += EscapeField(path) + '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);

    SetCopyEngine(nullptr);
    seam::SetFileOpDialogs(nullptr);
    seam::SetMessages(nullptr);
    if (!FlushOutput())
        return 1;
    if (messages.ErrorShown)
        status = 1;
    return status;
}
