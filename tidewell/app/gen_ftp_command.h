#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace tidewell {

// tidewell-gen upload: writes the update list, then sends the list file and every file,
// packed, to the FTP site below the initial folder; with --out it also keeps the set there
// as save writes it. Returns 0 when every file was sent or kept at the user's word, else 1
// with the report on err; a failed upload leaves no local files behind.
int RunUploadCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// tidewell-gen fetch: fetches server files (paths below the initial folder) into a
// folder and unpacks them. Returns 0 when all arrived, else 1 with the report on err.
int RunFetchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The answer typed to an overwrite question on a terminal: y(es), a(ll), n(o) or c(ancel);
// anything else asks again, and the end of input answers No. Returns an OverwriteAnswer.
int AskOverwriteOnTerminal(const std::string& question, std::istream& in, std::ostream& out);

inline constexpr const char* kUploadUsage =
    "upload --program-dir D --list-file PATH --ftp-site HOST[:PORT] --user U\n"
    "       [--password P | --password-file FILE] [--initial-dir DIR] [--proxy HOST:PORT]\n"
    "       [--overwrite ask|yes|no] [--out DIR] [--base-url URL] [--windows-prefix P]\n"
    "       [--program-prefix P] [--other-prefix P] [--check modify,create,size|none]\n"
    "       [--sign-key SECRET.pem] [FILES...]\n"
    "                   write the update list and upload it with every file, packed (without\n"
    "                   FILES, every file below the program folder); --out also keeps the set\n"
    "                   there; with a key, the list's signature follows it as PATH.sig;\n"
    "                   the password may also come from TIDEWELL_FTP_PASSWORD";

inline constexpr const char* kFetchUsage =
    "fetch --ftp-site HOST[:PORT] --user U [--password P | --password-file FILE] --out DIR\n"
    "       [--initial-dir DIR] [--proxy HOST:PORT] SERVER-PATHS...\n"
    "                   fetch packed files from below the initial folder into DIR and unpack them";

}  // namespace tidewell
