#pragma once
// What the trawler-cli commands share: the message sink, usage errors, and cabinets named on
// the command line with --cabinet FOLDER[:KIND] and their items named N:ADDRESS.
#include <string>
#include <vector>

#include "items/cab.h"
#include "platform/seam.h"

inline constexpr int ExitUsage = 2;

// Messages the desktop program shows in a box, written to standard error as "error: TEXT"
// or "warning: TEXT" with the text escaped as an output field.
class TCliMessages final : public TMessages {
public:
    bool ErrorShown = false;
    void ErrorBox(const std::string &text) override;
    void WarningBox(const std::string &text) override;
};

// Writes "trawler-cli: WHY" and the usage text to standard error and exits with status 2.
[[noreturn]] void UsageError(const std::string &why);

// Walks the arguments of a command: Next() moves to the next one, Value() takes the one after
// the current option (a usage error when there is none).
class TArgs {
public:
    explicit TArgs(const std::vector<std::string> &args) : args(args) {}
    bool Next() { return ++at < args.size(); }
    const std::string &Arg() const { return args[at]; }
    std::string Value() {
        if (at + 1 >= args.size())
            UsageError(args[at] + " needs a value");
        return args[++at];
    }

private:
    const std::vector<std::string> &args;
    size_t at = static_cast<size_t>(-1);
};

// --set NAME=VALUE: changes one setting for this run; an unknown name or value is a usage
// error.
void ApplySetting(const std::string &nameValue);

// A cabinet named on the command line.
struct TCabinetArg {
    std::string Folder; // absolute and normalised
    int Kind = 0;
};
// Parses FOLDER or FOLDER:KIND (KIND 0 to 9; a folder may itself hold colons). A missing
// folder or a bad kind is a usage error, except that the missing folder of a plain or mirror
// log (KIND 1 or 2) is created with its parents.
TCabinetArg ParseCabinetArg(const std::string &text);

// Registers the cabinets below root in the order given, each named after its folder, and,
// when load is set, loads each one as the program does at start-up. Cabinet N of the
// command line is result[N - 1].
std::vector<TCabinet *> RegisterCabinets(TCabinetRoot &root, const std::vector<TCabinetArg> &cabinetArgs,
                                         bool load);

// The item named N:ADDRESS: N the cabinet's number from 1, ADDRESS the item's GetURL as
// `list` prints it (a folder's ends with "/"; empty for the cabinet itself). nullptr when
// the cabinet or the item does not exist.
TTree *FindNamedItem(const std::vector<TCabinet *> &cabinets, const std::string &name);
// The name N:ADDRESS of an item of one of the cabinets ("" when it lies in none).
std::string ItemName(const std::vector<TCabinet *> &cabinets, const TTree &item);
// The number (from 1) of the cabinet holding the item, 0 when none.
int CabinetNumber(const std::vector<TCabinet *> &cabinets, const TTree &item);

// Flushes standard output; false (after a message on standard error) when it could not be
// written.
bool FlushOutput();

// The commands that take their own arguments (everything after the command word, options
// that came before it included).
int RunDetect(const std::vector<std::string> &args);
int RunPaste(const std::vector<std::string> &args);
int RunLinks(const std::vector<std::string> &args);
