// The core acts on the objects it lists through their identities. The path-based destructive
// calls that remain are for the program's own data-folder files, and only the data-folder code
// may call them; this test reads the core's sources and names every other caller.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace scourwell::platform {
namespace {

namespace fs = std::filesystem;

// The core's folders, below the source tree.
const char* const kCoreFolders[] = {"foundation", "database", "scan", "quarantine", "inspect", "update"};

struct Rule {
    const char* call;                 // the name, as called
    std::set<std::string> allowedIn;  // source files (relative) that may call it
};

// The data-folder files: the lists and logs of the data folder, the shipped database copied
// into it, the quarantine's own files, the downloads of the update.
const std::set<std::string> kDataFolderCode = {
    "foundation/data_folder.cpp",   "foundation/text_list.cpp",
    "database/shipped_database.cpp", "quarantine/quarantine_store.cpp",
    "quarantine/registry_quarantine.cpp", "update/update_check.cpp",
};

const Rule kRules[] = {
    {"CopyDataFile", kDataFolderCode},
    {"MoveDataFile", kDataFolderCode},
    {"DeleteDataFile", kDataFolderCode},
    {"RemoveDataFolder", kDataFolderCode},
    {"SetDataFileAttributes", kDataFolderCode},
    // A path typed by a user: a core action resolves it once and acts on the identity.
    {"ForceDeleteFileAtPath", {"foundation/file_helpers.cpp", "foundation/file_helpers.h"}},
};

// Source text without its line comments, so that a comment may name a call.
std::string WithoutLineComments(const std::string& text) {
    std::istringstream in(text);
    std::string code;
    for (std::string line; std::getline(in, line);) {
        code += line.substr(0, line.find("//"));
        code += '\n';
    }
    return code;
}

std::string ReadSource(const fs::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Calls(const std::string& code, const std::string& name) {
    for (size_t at = code.find(name); at != std::string::npos; at = code.find(name, at + 1)) {
        const bool startsName =
            at == 0 || !(std::isalnum(static_cast<unsigned char>(code[at - 1])) || code[at - 1] == '_');
        size_t after = at + name.size();
        while (after < code.size() && code[after] == ' ') ++after;
        if (startsName && after < code.size() && code[after] == '(') return true;
    }
    return false;
}

TEST(DestructiveCallsTest, PathBasedDestructiveCallsStayInTheDataFolderCode) {
    const fs::path root = SCOURWELL_SOURCE_DIR;
    std::vector<std::string> offenders;
    size_t sources = 0;
    for (const char* folder : kCoreFolders) {
        ASSERT_TRUE(fs::is_directory(root / folder)) << folder;
        for (const auto& item : fs::recursive_directory_iterator(root / folder)) {
            const std::string extension = item.path().extension().string();
            if (!item.is_regular_file() || (extension != ".cpp" && extension != ".h")) continue;
            ++sources;
            const std::string relative = fs::relative(item.path(), root).generic_string();
            const std::string code = WithoutLineComments(ReadSource(item.path()));
            for (const Rule& rule : kRules)
                if (rule.allowedIn.count(relative) == 0 && Calls(code, rule.call))
                    offenders.push_back(relative + ": " + rule.call);
        }
    }
    EXPECT_GT(sources, 0u);
    EXPECT_EQ(offenders, std::vector<std::string>{});
}

// The check itself: a call is found with or without a blank before its parenthesis and after
// any qualification, and a longer name or a comment does not count.
TEST(DestructiveCallsTest, ACallIsToldFromOtherMentions) {
    struct Case {
        const char* code;
        bool calls;
    };
    const Case cases[] = {
        {"platform::DeleteDataFile(path);", true},
        {"ok = DeleteDataFile (path);", true},
        {"MyDeleteDataFile(path);", false},
        {"DeleteDataFiles(path);", false},
        {"auto f = &DeleteDataFile;", false},
    };
    for (const Case& c : cases) EXPECT_EQ(Calls(c.code, "DeleteDataFile"), c.calls) << c.code;
    EXPECT_FALSE(Calls(WithoutLineComments("// DeleteDataFile(path) goes\nint x;\n"), "DeleteDataFile"));
}

}  // namespace
}  // namespace scourwell::platform
