// Writes what is made from the command and results tables outside C++, from their compiled
// expansion: the DLL's export list, and the reference docs/commands.md (each command's row
// with its argument kinds, summary, example and concept links; every result it can give).
// It stops the build (exit 1, with the reason) on a table that does not hold together: a
// folder without a title, a result row for a name that is neither a command nor a group
// declared above it, a command without results or without an example, two rows of one
// command that list the same result, other than one fault row.
//
//   qv_reference SOURCE_DIR DEF_FILE
//
// The examples are the first line that calls each command in SOURCE_DIR/examples/commands/*.qv
// (in name order), then examples/demo.qv and examples/gallery.qv.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "command_kinds.h"
#include "result_meanings.h"

namespace qv::reference {
namespace {

using run::ResultRow;
using run::TableLine;

struct Command {
    const char* name;
    const char* folder;
    const char* kinds[4];
    unsigned concepts;
    const char* summary;
};

const Command kCommands[] = {
#define CMD(name, folder, a1, a2, a3, a4, concepts, summary) {#name, #folder, {#a1, #a2, #a3, #a4}, (concepts), summary},
#include "commands.h"
#undef CMD
};

const std::map<std::string, std::string> kFolderTitles = {
    {"host", "Screen table, version and about"},
    {"jpeg", "JPEG"},
    {"pi", "Pi pictures and picture save"},
    {"png", "PNG pictures"},
    {"webp", "WebP pictures"},
    {"effects", "Colour effects and filters"},
    {"compose", "Compositing and geometry"},
    {"draw", "Drawing, palettes and regions"},
    {"window", "Windows and controls"},
    {"clip", "Clipboard and dropped files"},
    {"timing", "Timing"},
    {"text", "Strings, searching, memory blocks and arithmetic"},
    {"system", "System and shell"},
};

const std::map<std::string, std::string> kKindNames = {
    {"SCR", "screen"}, {"VAR", "variable"}, {"STR", "text"}, {"WSTR", "text"},
    {"PTR", "buffer"}, {"INT", "int"},      {"NONE", "-"},
};

// The concept links of a row, in the reference's order: those of its argument kinds and
// those of its concepts column.
std::string concept_links(const Command& c) {
    auto has_kind = [&](const char* kind) {
        return std::any_of(std::begin(c.kinds), std::end(c.kinds), [&](const char* k) { return std::string(k) == kind; });
    };
    const struct {
        bool on;
        const char* link;
    } links[] = {
        {has_kind("SCR"), "[screen](concepts.md#screens)"},
        {(c.concepts & POS) != 0, "[position](concepts.md#the-current-position)"},
        {(c.concepts & CLIP) != 0, "[clipped area](concepts.md#the-clipped-area)"},
        {(c.concepts & COPY) != 0, "[copy area](concepts.md#the-copy-area)"},
        {(c.concepts & TABLE) != 0, "[screen table](concepts.md#the-screen-table)"},
        {has_kind("VAR"), "[variable](concepts.md#variables)"},
        {has_kind("PTR"), "[buffer](concepts.md#a-buffer)"},
        {(c.concepts & MODES) != 0, "[transparency modes](concepts.md#transparency-modes)"},
        {(c.concepts & SETTINGS) != 0, "[settings](concepts.md#settings-a-later-command-uses)"},
        {(c.concepts & SCALING) != 0, "[turning and scaling](concepts.md#turning-and-scaling-between-screens)"},
    };
    std::string out;
    for (const auto& l : links)
        if (l.on) out += (out.empty() ? "" : ", ") + std::string(l.link);
    return out;
}

std::string lower(std::string s) {
    for (char& ch : s) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
    return s;
}

// Text as Markdown shows it as it stands: a backslash and a bar (which would end the table's
// cell) escaped.
std::string markdown(const std::string& text) { return replaced(replaced(text, "\\", "\\\\"), "|", "\\|"); }

[[noreturn]] void stop(const std::string& why) {
    std::fprintf(stderr, "qv_reference: %s\n", why.c_str());
    std::exit(1);
}

// Each command's first call in the example scripts: "path#Lline", relative to docs/.
std::map<std::string, std::string> examples(const std::filesystem::path& source) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::directory_iterator(source / "examples" / "commands"))
        if (e.path().extension() == ".qv") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    files.push_back(source / "examples" / "demo.qv");
    files.push_back(source / "examples" / "gallery.qv");
    std::map<std::string, std::string> first;
    for (const fs::path& f : files) {
        std::ifstream in(f);
        if (!in) stop("cannot read " + f.string());
        const std::string rel = fs::relative(f, source / "docs").generic_string();
        std::string line;
        for (int n = 1; std::getline(in, line); ++n) {
            size_t at = line.find_first_not_of(" \t");
            if (at == std::string::npos) continue;
            size_t end = at;
            while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '_')) ++end;
            if (end == at || (end < line.size() && line[end] != ' ' && line[end] != '\t')) continue;
            first.emplace(line.substr(at, end - at), rel + "#L" + std::to_string(n));
        }
    }
    return first;
}

std::string item(const TableLine& l, const std::map<std::string, std::string>& group_titles) {
    if (l.what == TableLine::kShares) {
        const std::string title = group_titles.at(l.name);
        return title + " (see [below](#" + replaced(lower(title), " ", "-") + "))";
    }
    const ResultRow& r = l.row;
    if (r.host_error) return "error " + std::to_string(r.low) + ": " + r.meaning;
    if (r.low == r.high) return "status " + std::to_string(r.low) + ": " + r.meaning;
    return "status " + std::to_string(r.low) + " to " + std::to_string(r.high) + ": " + r.meaning;
}

// Written each time, so that the build sees its outputs newer than the tables (the content
// changes only when they do).
void write_file(const std::filesystem::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out) stop("cannot write " + path.string());
}

}  // namespace

int write_reference(int argc, char** argv) {
    if (argc != 3) stop("usage: qv_reference SOURCE_DIR DEF_FILE");
    const std::filesystem::path source = argv[1];

    std::vector<std::string> folders;
    std::map<std::string, const Command*> commands;
    for (const Command& c : kCommands) {
        if (!kFolderTitles.count(c.folder)) stop(std::string(c.name) + ": unknown folder " + c.folder);
        if (std::find(folders.begin(), folders.end(), c.folder) == folders.end()) folders.push_back(c.folder);
        commands[c.name] = &c;
    }

    // The results: each command's items in the table's order, each group's bullets, and the
    // intervals of results each command gives (its own rows, its groups', the fault).
    size_t count = 0;
    const TableLine* lines = run::table_lines(count);
    std::map<std::string, std::string> group_titles, items, bullets;
    std::vector<std::string> groups;
    std::map<std::string, std::vector<std::pair<int64_t, int64_t>>> intervals;
    std::map<std::string, std::vector<std::string>> shares;
    const ResultRow* fault = nullptr;
    for (const TableLine* l = lines; l != lines + count; ++l) {
        if (l->what == TableLine::kGroup) {
            group_titles[l->who] = l->name;
            groups.push_back(l->who);
            continue;
        }
        if (l->what == TableLine::kRow && !*l->who) {
            if (fault) stop("results.h: more than one FAULT row");
            fault = &l->row;
            continue;
        }
        const std::string who = l->who;
        if (!commands.count(who) && !group_titles.count(who))
            stop("results.h: " + who + " is neither a command nor a group declared above it");
        if (l->what == TableLine::kShares) {
            if (!group_titles.count(l->name)) stop("results.h: " + who + " shares an undeclared group " + l->name);
            shares[who].push_back(l->name);
        } else {
            // As the values the command returns: a status s is -s.
            const ResultRow& r = l->row;
            intervals[who].push_back(r.host_error ? std::pair{r.low, r.high} : std::pair{-r.high, -r.low});
        }
        const std::string text = item(*l, group_titles);
        items[who] += (items[who].empty() ? "" : "; ") + text;
        bullets[who] += "- " + text + "\n";
    }
    if (!fault) stop("results.h: no FAULT row");
    for (const Command& c : kCommands) {
        if (!items.count(c.name)) stop(std::string("results.h: no results for ") + c.name);
        auto all = intervals[c.name];
        all.push_back({-fault->low, -fault->low});
        for (const std::string& g : shares[c.name]) all.insert(all.end(), intervals[g].begin(), intervals[g].end());
        for (size_t i = 0; i < all.size(); ++i)
            for (size_t j = i + 1; j < all.size(); ++j)
                if (!(all[i].second < all[j].first || all[j].second < all[i].first))
                    stop(std::string("results.h: ") + c.name + ": two rows list the same result (results " +
                         std::to_string(all[i].first) + " to " + std::to_string(all[i].second) + " and " +
                         std::to_string(all[j].first) + " to " + std::to_string(all[j].second) + ")");
    }

    std::string def = "LIBRARY quorvel.dll\nEXPORTS\n    AboutMe = QvAboutMeBox@0\n";
    for (const Command& c : kCommands) def += std::string("    _") + c.name + "@16 = " + c.name + "@16\n";
    write_file(argv[2], def);

    const std::map<std::string, std::string> example = examples(source);
    std::string doc = "# Quorvel commands\n\n";
    doc += "Written by the build from `src/commands.h` and `src/results.h`; do not edit by hand.\n\n";
    doc += "Every command takes four 32-bit arguments and returns one integer: 0 for success, "
           "a positive host error number (3 argument out of range, 5 setting missing, "
           "6 wrong variable type, 1 bad bit count), or a negated status that the script "
           "receives as its status value (-640 reports 640). Declare each as `_Name@16`.\n\n";
    doc += "Argument kinds: *screen* a screen; *variable* a variable (its record); "
           "*buffer* a variable's storage; *text* a string; *int* an integer; *-* ignored.\n\n";
    doc += "Under each table, every result each command can give: *status N* is the status "
           "value the script receives (the command returned -N; status 0 is success), *error N* "
           "a host error that stops the script. Results that several commands share are listed "
           "once, at the end. No command gives status " + std::to_string(fault->low) + " of its own: it means " +
           fault->meaning + ".\n\n";
    doc += "`AboutMe` is two exports: the command `_AboutMe@16` of the table below (the about box "
           "of the utility command set, status 0), and `AboutMe` undecorated, without arguments, "
           "for hosts that call it so: the about box of the JPEG library, answering with the box's result.\n\n";
    doc += "The words the tables use (screen, current position, copy area, clipped area, screen "
           "table, variables and their first dimension, settings) are defined once in "
           "[concepts.md](concepts.md). Every command has an example that runs as it stands "
           "(`scripts/run FILE`); the suite runs them all.\n\n";

    std::vector<std::string> sorted;
    for (const Command& c : kCommands) sorted.push_back(c.name);
    std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) { return lower(a) < lower(b); });
    doc += "## Index\n";
    char letter = 0;
    for (const std::string& name : sorted) {
        const char first = char(std::toupper(static_cast<unsigned char>(name[0])));
        doc += first != letter ? std::string("\n\n**") + first + "** " : " · ";
        letter = first;
        doc += "[" + name + "](#" + lower(name) + ")";
    }
    doc += "\n";

    for (const std::string& folder : folders) {
        doc += "\n## " + kFolderTitles.at(folder) + "\n\n";
        doc += "| Command | 1 | 2 | 3 | 4 | What it does | Example | Concepts |\n|---|---|---|---|---|---|---|---|\n";
        std::string results;
        for (const Command& c : kCommands) {
            if (c.folder != folder) continue;
            if (!example.count(c.name)) stop(std::string("examples: no example calls ") + c.name + " (add one to examples/commands/)");
            doc += "| <a id=\"" + lower(c.name) + "\"></a>`" + c.name + "` |";
            for (const char* k : c.kinds) doc += " " + kKindNames.at(k) + " |";
            doc += " " + markdown(c.summary) + " | [example](" + example.at(c.name) + ") | " + concept_links(c) + " |\n";
            results += "- `" + std::string(c.name) + "`: " + items[c.name] + "\n";
        }
        doc += "\nResults:\n\n" + results;
    }
    doc += "\n## Shared results\n";
    for (const std::string& g : groups) doc += "\n### " + group_titles[g] + "\n\n" + bullets[g];
    write_file(source / "docs" / "commands.md", doc);
    return 0;
}

}  // namespace qv::reference

int main(int argc, char** argv) { return qv::reference::write_reference(argc, argv); }
