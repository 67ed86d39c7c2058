// scourwell-db: packs, unpacks and lists signature databases ("files.dat").
//
//   scourwell-db pack TEXT OUT    plain CR LF text -> stored form (bzip2, then scrambled)
//   scourwell-db unpack IN OUT    stored form -> the text, byte for byte
//   scourwell-db list IN          the version line, then every entry as the scan reads it
//   scourwell-db publish TEXT OUT-FOLDER [--installer FILE] [--build TEXT] --key PRIVATE.pem
//                                 the files an update server serves, under OUT-FOLDER:
//                                 updr2/swupd.txt, updr2/swupd.txt.sig, updr2/files2.htm and,
//                                 with --installer, downloads/scourwell_setup.exe
//
// Works on host paths. Output files are written beside the target and renamed into place, so
// a failed run leaves nothing behind.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "database/signature_database.h"
#include "platform/machine.h"
#include "update/publish.h"
#include "update/update_check.h"

namespace fs = std::filesystem;
using namespace scourwell;

namespace {

constexpr size_t kMaxLine = 254;

// The usage: on standard output when asked for (--help), on standard error after a mistake.
void WriteUsage(std::ostream& out) {
    out << "usage: scourwell-db pack TEXT OUT\n"
           "       scourwell-db unpack IN OUT\n"
           "       scourwell-db list IN\n"
           "       scourwell-db publish TEXT OUT-FOLDER [--installer FILE] [--build TEXT] --key PRIVATE.pem\n"
           "       scourwell-db --help | --version\n";
}

int Usage() {
    WriteUsage(std::cerr);
    return 2;
}

std::optional<std::string> ReadHostFile(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        std::cerr << "scourwell-db: cannot read " << path << ": "
                  << (fs::exists(path, ec) ? "not a regular file" : "no such file") << "\n";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || !in.is_open()) {
        std::cerr << "scourwell-db: cannot read " << path << "\n";
        return std::nullopt;
    }
    return data;
}

bool WriteHostFileAtomic(const std::string& path, const std::string& data) {
    const fs::path target(path);
    const fs::path temp = target.parent_path() /
                          (target.filename().string() + ".tmp-" + std::to_string(getpid()));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            std::error_code ec;
            fs::remove(temp, ec);
            std::cerr << "scourwell-db: cannot write " << path << "\n";
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        std::cerr << "scourwell-db: cannot write " << path << ": " << ec.message() << "\n";
        return false;
    }
    return true;
}

// The stored form -> text, with a message that tells a foreign file from a damaged one.
std::optional<std::string> Unpack(const std::string& path) {
    const auto stored = ReadHostFile(path);
    if (!stored) return std::nullopt;
    if (stored->empty()) {
        std::cerr << "scourwell-db: " << path << " is empty, not a signature database\n";
        return std::nullopt;
    }
    std::vector<unsigned char> bytes(stored->begin(), stored->end());
    database::Descramble(bytes);
    const bool looksLikeBzip2 = bytes.size() >= 3 && bytes[0] == 'B' && bytes[1] == 'Z' && bytes[2] == 'h';
    if (!looksLikeBzip2) {
        std::cerr << "scourwell-db: " << path << " is not a signature database\n";
        return std::nullopt;
    }
    std::string text;
    if (!database::DecompressDatabase(bytes, text)) {
        std::cerr << "scourwell-db: " << path << " is damaged or truncated\n";
        return std::nullopt;
    }
    return text;
}

// The reader's rules for a database text, with the line that breaks one.
bool CheckDatabaseText(const std::string& textPath, const std::string* text) {
    // The reader splits lines at CR LF only and takes at most 254 characters per line: a text
    // with bare LF line ends (as most Linux editors write) would read as one long line, and
    // the database would have no entries at all.
    size_t lineNumber = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i <= text->size(); ++i) {
        if (i == text->size() || (*text)[i] == '\r' || (*text)[i] == '\n') {
            if (i - lineStart > kMaxLine) {
                std::cerr << "scourwell-db: " << textPath << ":" << lineNumber << ": line longer than "
                          << kMaxLine << " characters\n";
                return false;
            }
            if (i == text->size()) break;
            const bool crlf = (*text)[i] == '\r' && i + 1 < text->size() && (*text)[i + 1] == '\n';
            if (!crlf) {
                std::cerr << "scourwell-db: " << textPath << ":" << lineNumber
                          << ": lines must end with CR LF\n";
                return false;
            }
            ++i;
            ++lineNumber;
            lineStart = i + 1;
        }
    }
    return true;
}

int Pack(const std::string& textPath, const std::string& outPath) {
    const auto text = ReadHostFile(textPath);
    if (!text || !CheckDatabaseText(textPath, &*text)) return 1;
    const std::vector<unsigned char> packed = database::PackDatabaseText(*text);
    if (packed.empty()) {
        std::cerr << "scourwell-db: cannot compress " << textPath << "\n";
        return 1;
    }
    return WriteHostFileAtomic(outPath, std::string(packed.begin(), packed.end())) ? 0 : 1;
}

int UnpackTo(const std::string& inPath, const std::string& outPath) {
    const auto text = Unpack(inPath);
    if (!text) return 1;
    return WriteHostFileAtomic(outPath, *text) ? 0 : 1;
}

std::string Shown(const std::string& field) { return field.empty() ? "-" : field; }

int List(const std::string& inPath) {
    const auto text = Unpack(inPath);
    if (!text) return 1;
    try {
        platform::UseMachineFromEnvironment();
    } catch (const std::exception& error) {
        std::cerr << "scourwell-db: " << error.what() << "\n";
        return 1;
    }
    database::SignatureDatabase db;
    db.SetText(*text);
    std::cout << db.VersionLine() << "\n";
    std::cout << "digest\tthreat\tfolder\tfile\tmark\n";
    std::string folder;
    for (;;) {
        std::string line = database::ReadEntryLine(db, folder);
        if (line == "_end") break;
        const bool noProcess = database::StripNoProcessMark(line);
        const database::TsVirName entry = database::ParseEntry(line, folder);
        std::cout << Shown(entry.digest) << "\t" << Shown(entry.threatName) << "\t" << Shown(entry.folder)
                  << "\t" << Shown(entry.fileName) << "\t" << (noProcess ? "/0/" : "-") << "\n";
    }
    return std::cout.good() ? 0 : 1;
}

}  // namespace

int Publish(const std::vector<std::string>& args) {
    // publish TEXT OUT-FOLDER, then the options in any order.
    std::optional<std::string> installerPath;
    std::optional<std::string> keyPath;
    std::string build(update::kProgramBuild);
    for (size_t i = 3; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return Usage();
        if (args[i] == "--installer") {
            installerPath = args[i + 1];
        } else if (args[i] == "--key") {
            keyPath = args[i + 1];
        } else if (args[i] == "--build") {
            build = args[i + 1];
        } else {
            return Usage();
        }
    }
    if (!keyPath) return Usage();
    const std::string& textPath = args[1];
    const fs::path out(args[2]);
    const auto text = ReadHostFile(textPath);
    if (!text || !CheckDatabaseText(textPath, &*text)) return 1;
    const auto key = ReadHostFile(*keyPath);
    if (!key) return 1;
    std::optional<std::string> installer;
    if (installerPath) {
        installer = ReadHostFile(*installerPath);
        if (!installer) return 1;
    }
    std::string error;
    const auto publication = update::BuildPublication(*text, installer, build, *key, error);
    if (!publication) {
        std::cerr << "scourwell-db: " << error << "\n";
        return 1;
    }
    std::error_code ec;
    fs::create_directories(out / "updr2", ec);
    if (publication->installer) fs::create_directories(out / "downloads", ec);
    // The files the version file names first, the version file and its signature last, so a
    // server never offers a version whose files are not there yet.
    const bool ok =
        WriteHostFileAtomic((out / "updr2" / "files2.htm").string(), publication->database) &&
        (!publication->installer ||
         WriteHostFileAtomic((out / "downloads" / "scourwell_setup.exe").string(), *publication->installer)) &&
        WriteHostFileAtomic((out / "updr2" / "swupd.txt").string(), publication->versionFile) &&
        WriteHostFileAtomic((out / "updr2" / "swupd.txt.sig").string(), publication->signature);
    return ok ? 0 : 1;
}

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        WriteUsage(std::cout);
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "scourwell-db " SCOURWELL_VERSION "\n";
        return 0;
    }
    if (args.size() == 3 && args[0] == "pack") return Pack(args[1], args[2]);
    if (args.size() == 3 && args[0] == "unpack") return UnpackTo(args[1], args[2]);
    if (args.size() == 2 && args[0] == "list") return List(args[1]);
    if (args.size() >= 3 && args[0] == "publish") return Publish(args);
    return Usage();
}
