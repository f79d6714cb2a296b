#pragma once
// The list of external tools the user registered: one lives for the whole run (filled from
// the settings at start-up and written back at the end); the registration dialog edits a
// second, temporary one.
#include <memory>
#include <string>
#include <vector>

// Anything the tool list owns. Only TTool members count as tools; other members are kept in
// their place but never copied or destroyed by Clear.
class TToolsMember {
public:
    virtual ~TToolsMember() = default;
};

class TTool final : public TToolsMember {
public:
    TTool(std::string name, std::string path, std::string icon)
        : Name(std::move(name)), Path(std::move(path)), Icon(std::move(icon)) {}
    std::string Name; // the text shown to the user
    std::string Path; // the program file
    std::string Icon; // the icon name the desktop gave for Path when the tool was created
};

class TTools {
public:
    TTools() = default;
    ~TTools();
    TTools(const TTools &) = delete;
    TTools &operator=(const TTools &) = delete;

    // Appends a tool; its icon is asked of the desktop now (a path that names no file still
    // gives a tool, with the desktop's default icon).
    TTool &Add(const std::string &name, const std::string &path);
    // Appends a member that is not a tool.
    void AddMember(std::unique_ptr<TToolsMember> member);
    // Destroys every tool, last to first; other members stay.
    void Clear();
    // Appends a copy of each tool of source, first to last, with its icon asked again. The
    // list is not cleared first.
    void CopyFrom(const TTools &source);

    // The tools in the order they were added.
    std::vector<TTool *> Tools() const;
    size_t Count() const;
    // Every member in order, tools and others; positions count all of them.
    const std::vector<std::unique_ptr<TToolsMember>> &Members() const { return members; }

private:
    std::vector<std::unique_ptr<TToolsMember>> members;
};
