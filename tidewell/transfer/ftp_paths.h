#pragma once
// Server paths of an FTP job: the start directory, the directory levels above each
// file, and the test whether a host is reached without the proxy.
#include <string>
#include <vector>

namespace tidewell {

// "/" for an empty directory; otherwise backslashes become '/', a leading '/' is put
// in front when missing and one trailing '/' is dropped (so "upd\\" gives "/upd" and
// "//" gives "/").
std::string NormalizeInitialDir(std::string dir);

// The directories above a file, outermost first: for "a/b/c.dat" under "/pub" these
// are "/pub/a" and "/pub/a/b"; under "/" they are "/a" and "/a/b".
std::vector<std::string> LevelPaths(const std::string& initialDir, const std::string& remotePath);

// The part after the last '/' (the whole path when there is none).
std::string ServerFileName(const std::string& remotePath);

// initialDir + ("/" unless it already ends in one) + remotePath.
std::string AbsoluteServerPath(const std::string& initialDir, const std::string& remotePath);

// The directory that holds a file: its last level path, or initialDir.
std::string TargetDirectory(const std::string& initialDir, const std::string& remotePath);

// "\"from\" to \"to\"": the detail line of a failed change of directory.
std::string QuotedDirectoryPair(const std::string& from, const std::string& to);

// True when an entry of the bypass list (split at '*', ' ', ';' and line feeds; empty
// entries skipped) occurs anywhere in host, case-sensitive.
bool IsHostBypassed(const std::string& host, const std::string& bypass);

// The proxy an FTP session goes through, from a proxy list such as
// "ftp=ftp://proxy:8080" or "http=a:80;ftp=b:21" or a single "proxy:8080" for every
// scheme: "host:port" (or "host"); "" when the list names none for FTP.
std::string FtpProxyFromList(const std::string& proxyList);

// "host" or "host:port" as typed for a server; port 21 when none is given. False when
// the port is not a number from 1 to 65535 or the host is empty.
bool SplitHostPort(const std::string& site, std::string& host, int& port);

}  // namespace tidewell
