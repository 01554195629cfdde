#include "services/network/DownloadCache.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include "services/crypto/NativeCryptoService.h"
#include "services/system/FileIo.h"
#include "util/Base64.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace DownloadCache {

namespace {

namespace fs = std::filesystem;

constexpr const char* DAY_NAMES[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* MONTH_NAMES[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
// Dates from year 0001 to 9999: what the four-digit year of the format can show.
constexpr std::int64_t EARLIEST_SECONDS = -62135596800LL;
constexpr std::int64_t LATEST_SECONDS = 253402300799LL;
constexpr size_t MAX_FILE_NAME_BYTES = 255;
constexpr std::uint64_t LARGEST_STANDARD_INT = 0x7FFFFFFFu;

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

/** The bytes of hexadecimal text, two digits each (an odd last digit is ignored); empty on any other
 * character. */
std::optional<std::string> HexToBytes(const std::string& hex) {
    std::string bytes;
    for (size_t index = 0; index + 1 < hex.size(); index += 2) {
        int high = HexDigitValue(hex[index]);
        int low = HexDigitValue(hex[index + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

/** The index of the name in the list, compared without regard to case; -1 when absent. */
template <size_t N>
int IndexOfName(const char* const (&names)[N], const std::string& name) {
    for (size_t index = 0; index < N; ++index) {
        if (name.size() == 3 && strncasecmp(names[index], name.c_str(), 3) == 0) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

/** Reads `minDigits` to `maxDigits` decimal digits at `position`. */
bool ReadNumber(const std::string& text, size_t& position, size_t minDigits, size_t maxDigits, int& value) {
    size_t start = position;
    value = 0;
    while (position < text.size() && position - start < maxDigits &&
           std::isdigit(static_cast<unsigned char>(text[position]))) {
        value = value * 10 + (text[position++] - '0');
    }
    return position - start >= minDigits;
}

bool ReadLiteral(const std::string& text, size_t& position, const char* literal) {
    size_t length = std::strlen(literal);
    if (text.compare(position, length, literal) != 0) {
        return false;
    }
    position += length;
    return true;
}

bool ReadName(const std::string& text, size_t& position, std::string& name) {
    if (position + 3 > text.size()) {
        return false;
    }
    name = text.substr(position, 3);
    position += 3;
    return true;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static constexpr int DAYS[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 1 && IsLeapYear(year) ? 29 : DAYS[month];
}

/** Days from 1970-01-01 to the given civil date (proleptic Gregorian calendar). */
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

std::string Describe(const std::error_code& error) { return error.message(); }

/** Writes the bytes to a new file beside `path` and renames it into place; an error description on failure.
 */
std::optional<std::string> WriteAtomically(const std::string& path, const std::string& bytes) {
    std::string temporary = GetBasePath(path) + "/.download-XXXXXX";
    int file = mkostemp(temporary.data(), O_CLOEXEC);
    if (file < 0) {
        return std::string(std::strerror(errno));
    }
    bool written = WriteAll(file, bytes);
    int writeError = errno;
    if (close(file) != 0 && written) {
        written = false;
        writeError = errno;
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) == 0) {
        return std::nullopt;
    }
    if (written) {
        writeError = errno;
    }
    ::unlink(temporary.c_str());
    return std::string(std::strerror(writeError));
}

std::string ReadBody(const std::shared_ptr<HttpConnectionDataInterface>& body) {
    if (!body) {
        return "";
    }
    std::uint64_t size = body->GetSize();
    if (size > LARGEST_STANDARD_INT) {
        Log::Warning(LOG_TAG, "Data size > standard int");
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    bytes.resize(static_cast<size_t>(body->GetData(size, bytes.data())));
    return bytes;
}

}  // namespace

std::string GetDigestForUrl(const std::string& url) {
    // A stateless service, never destroyed: downloads may still run while the process exits.
    static const auto* crypto = new std::shared_ptr<CryptoServiceInterface>(CreateNativeCryptoService());
    std::string hash = HexToBytes((*crypto)->GetSha256Hash(url)).value_or("");
    std::string digest = EncodeBase64(hash);
    std::replace(digest.begin(), digest.end(), '/', '_');
    return digest;
}

std::string GetBasePath(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(0, slash);
}

std::vector<std::string> GetFolderContents(const std::string& folderPath) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(folderPath, error), end; !error && entry != end;
         entry.increment(error)) {
        names.push_back(entry->path().filename().string());
    }
    return names;
}

std::vector<std::string> FindFilesWithMatchingPrefix(const std::string& basePath) {
    size_t slash = basePath.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    std::string prefix = basePath.substr(slash + 1);
    std::vector<std::string> matching;
    for (std::string& name : GetFolderContents(basePath.substr(0, slash))) {
        if (name.compare(0, prefix.size(), prefix) == 0) {
            matching.push_back(std::move(name));
        }
    }
    return matching;
}

Expected<std::string, SdkError> FindFileInCache(const std::string& basePath) {
    std::vector<std::string> names = FindFilesWithMatchingPrefix(basePath);
    if (names.empty()) {
        return SdkError("remotefilemanager.cache_failed", "URL not cached", CurrentDebugInfo());
    }
    if (names.size() > 1) {
        Log::Warning(LOG_TAG, "Multiple copies of URL in cache!");
    }
    return GetBasePath(basePath) + "/" + names.front();
}

std::vector<std::string> GetValuesFromPathExtension(const std::string& filePath) {
    size_t dot = filePath.rfind('.');
    if (dot == std::string::npos) {
        Log::Warning(LOG_TAG, "No Extension on Cache File (%s)", filePath);
        return {};
    }
    std::string extension = filePath.substr(dot + 1);
    // An archive unpacked in the cache keeps its copy's name plus this suffix; the name's values are
    // the copy's, and the suffix is no value of its own.
    static const std::string UNPACKED_FOLDER_SUFFIX = "_dir";
    if (extension.size() > UNPACKED_FOLDER_SUFFIX.size() &&
        extension.compare(extension.size() - UNPACKED_FOLDER_SUFFIX.size(), std::string::npos,
                          UNPACKED_FOLDER_SUFFIX) == 0) {
        extension.resize(extension.size() - UNPACKED_FOLDER_SUFFIX.size());
    }
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t separator; (separator = extension.find('_', start)) != std::string::npos;) {
        if (separator > start || pieces.empty()) {
            pieces.push_back(extension.substr(start, separator - start));
        }
        start = extension.find_first_not_of('_', separator);
        if (start == std::string::npos) {
            start = extension.size();
            break;
        }
    }
    if (start < extension.size() || pieces.empty()) {
        pieces.push_back(extension.substr(start));
    }
    if (pieces.size() != 2) {
        Log::Warning(LOG_TAG, "Invalid Extension on Cache File (%s)", extension);
    }
    return pieces;
}

std::map<std::string, std::string> GetFileRequestProperties(
    const Expected<std::string, SdkError>& cachedPath) {
    std::map<std::string, std::string> properties;
    if (!cachedPath.HasValue()) {
        return properties;
    }
    std::vector<std::string> pieces = GetValuesFromPathExtension(cachedPath.ConstValue());
    if (!pieces.empty()) {
        properties["If-Modified-Since"] = PathValueToRfc2822Date(pieces[0]);
    }
    if (pieces.size() >= 2) {
        std::string entityTag = PathValueToETag(pieces[1]);
        if (!entityTag.empty()) {
            properties["If-None-Match"] = entityTag;
        }
    }
    return properties;
}

std::string PathValueToRfc2822Date(const std::string& value) {
    size_t start = value.find_first_not_of(" \t\n\v\f\r");
    if (start != std::string::npos && value[start] == '+') {
        ++start;
    }
    double seconds = 0;
    if (start != std::string::npos) {
        std::from_chars(value.data() + start, value.data() + value.size(), seconds);
    }
    if (!std::isfinite(seconds) || seconds < EARLIEST_SECONDS || seconds > LATEST_SECONDS) {
        seconds = 0;
    }
    return FormatRfc2822Date(static_cast<std::int64_t>(std::floor(seconds)));
}

std::string PathValueToETag(const std::string& value) {
    std::string entityTag = HexToBytes(value).value_or("");
    return entityTag.substr(0, entityTag.find('\0'));
}

std::string Rfc2822DateToPathValue(const std::string& date) {
    return std::to_string(ParseRfc2822Date(date).value_or(0));
}

std::string ETagToPathValue(const std::string& entityTag) {
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(entityTag.size() * 2);
    for (char c : entityTag) {
        auto byte = static_cast<unsigned char>(c);
        hex.push_back(DIGITS[byte >> 4]);
        hex.push_back(DIGITS[byte & 0x0F]);
    }
    return hex;
}

std::string NewCachePath(const std::string& basePath, const std::string& lastModified,
                         const std::string& entityTag) {
    std::string prefix = basePath + "." + Rfc2822DateToPathValue(lastModified) + "_";
    std::string entityTagValue = ETagToPathValue(entityTag);
    size_t nameLength = prefix.size() - (prefix.rfind('/') + 1) + entityTagValue.size();
    return nameLength <= MAX_FILE_NAME_BYTES ? prefix + entityTagValue : prefix;
}

std::string FormatRfc2822Date(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t secondOfDay = seconds % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    int year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(days, year, month, day);
    int weekday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    char text[64];
    std::snprintf(text, sizeof(text), "%s, %02d %s %04d %02d:%02d:%02d GMT", DAY_NAMES[weekday], day,
                  MONTH_NAMES[month - 1], year, static_cast<int>(secondOfDay / 3600),
                  static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60));
    return text;
}

std::optional<std::int64_t> ParseRfc2822Date(const std::string& date) {
    size_t position = 0;
    std::string dayName;
    std::string monthName;
    int day = 0;
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool parsed = ReadName(date, position, dayName) && IndexOfName(DAY_NAMES, dayName) >= 0 &&
                  ReadLiteral(date, position, ", ") && ReadNumber(date, position, 1, 2, day) &&
                  ReadLiteral(date, position, " ") && ReadName(date, position, monthName) &&
                  ReadLiteral(date, position, " ") && ReadNumber(date, position, 4, 4, year) &&
                  ReadLiteral(date, position, " ") && ReadNumber(date, position, 2, 2, hour) &&
                  ReadLiteral(date, position, ":") && ReadNumber(date, position, 2, 2, minute) &&
                  ReadLiteral(date, position, ":") && ReadNumber(date, position, 2, 2, second) &&
                  ReadLiteral(date, position, " GMT") && position == date.size();
    int month = IndexOfName(MONTH_NAMES, monthName);
    if (!parsed || month < 0 || year < 1 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59) {
        return std::nullopt;
    }
    return DaysFromCivil(year, static_cast<unsigned>(month + 1), static_cast<unsigned>(day)) * 86400 +
           hour * 3600 + minute * 60 + second;
}

bool EnsureFolderExists(const std::string& folderPath) {
    std::error_code error;
    fs::file_status status = fs::status(folderPath, error);
    if (fs::exists(status)) {
        if (fs::is_directory(status)) {
            return true;
        }
        Log::Error(LOG_TAG, "Unable to create directory, it's a file!");
        return false;
    }
    fs::create_directories(folderPath, error);
    if (error) {
        Log::Error(LOG_TAG, "Unable to create directory (%s)", Describe(error));
        return false;
    }
    return true;
}

std::string WriteFileToCache(const std::shared_ptr<HttpConnectionDataInterface>& body,
                             const std::string& cacheRoot, const std::string& folder,
                             const std::string& basePath, const std::string& newFilePath) {
    std::string written;
    TryCatch(
        [&] {
            if (!EnsureFolderExists(cacheRoot) ||
                (!folder.empty() && !EnsureFolderExists((fs::path(cacheRoot) / folder).string()))) {
                return;
            }
            if (std::optional<std::string> failure = WriteAtomically(newFilePath, ReadBody(body))) {
                Log::Error(LOG_TAG, "Unable to write file to cache (%s)", *failure);
                return;
            }
            written = newFilePath;
            // Only once the new copy is in place do the older ones go.
            std::string folderPath = GetBasePath(basePath);
            for (const std::string& name : FindFilesWithMatchingPrefix(basePath)) {
                std::string olderPath = folderPath + "/" + name;
                std::error_code error;
                if (olderPath != newFilePath && !fs::remove(olderPath, error) && error) {
                    Log::Warning(LOG_TAG, "Unable to delete %s (%s)", olderPath, Describe(error));
                }
            }
        },
        [&](SdkError& error) {
            Log::Error(LOG_TAG, "Unable to write file to cache (code:%s, message:%s)", error.GetCode(),
                       error.GetMessage());
        });
    return written;
}

void DeleteEntriesNotInList(const std::string& folderPath, const std::deque<std::string>& urlsToKeep) {
    std::vector<std::string> entries = GetFolderContents(folderPath);
    if (entries.empty()) {
        Log::Trace(LOG_TAG, "Nothing to be removed in cache folder %s", folderPath);
        return;
    }
    std::set<std::string> kept;
    for (const std::string& url : urlsToKeep) {
        kept.insert(GetDigestForUrl(url));
    }
    for (const std::string& name : entries) {
        if (kept.count(name.substr(0, name.rfind('.'))) != 0) {
            continue;
        }
        std::error_code error;
        fs::remove_all(fs::path(folderPath) / name, error);
        if (error) {
            Log::Debug(LOG_TAG, "Unable to delete %s (%s)", name, Describe(error));
        }
    }
}

}  // namespace DownloadCache

}  // namespace NuvraMobile
