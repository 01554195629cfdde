#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/values/Expected.h"
#include "core/values/SdkError.h"
#include "platformShim/HttpConnectionInterface.h"

namespace NuvraMobile {

/**
 * The on-disk format of the download cache: one file per URL and folder, named
 * "<digest>.<last-modified>_<entity tag>" and holding the body exactly as received. The digest is the
 * Base64 text of the URL's SHA-256 with "/" written as "_"; the last-modified value is whole seconds
 * since 1970 ("0" when unknown); the entity tag is written as upper-case hexadecimal. The folder listing
 * is the index. These functions take no lock; a listing is a snapshot. Log lines use the tag
 * "RemoteFileManager: ".
 */
namespace DownloadCache {

constexpr const char* LOG_TAG = "RemoteFileManager: ";
constexpr const char* CACHE_FOLDER_NAME = "nvbdownloadcache";

/** The 44-character digest of the URL's bytes as given. */
std::string GetDigestForUrl(const std::string& url);

/** The text before the last "/", or the whole path when it has none. */
std::string GetBasePath(const std::string& path);

/** The names of all entries of the folder, in listing order; none when it cannot be listed. */
std::vector<std::string> GetFolderContents(const std::string& folderPath);

/** The names in the base path's folder that begin with its last component; none without a "/". */
std::vector<std::string> FindFilesWithMatchingPrefix(const std::string& basePath);

/** The full path of the cached file of a base path, or "remotefilemanager.cache_failed" "URL not cached". */
Expected<std::string, SdkError> FindFileInCache(const std::string& basePath);

/** The pieces of the extension (the text after the last "."), split at runs of "_". */
std::vector<std::string> GetValuesFromPathExtension(const std::string& filePath);

/** "If-Modified-Since" and "If-None-Match" for the cached file, from its name; none without a file. */
std::map<std::string, std::string> GetFileRequestProperties(
    const Expected<std::string, SdkError>& cachedPath);

/** "Thu, 01 Jan 1970 00:01:40 GMT" for the seconds since 1970 that the value starts with (0 when none). */
std::string PathValueToRfc2822Date(const std::string& value);

/** The entity tag written as hexadecimal in a file name; empty when the value is not hexadecimal. */
std::string PathValueToETag(const std::string& value);

/** Whole seconds since 1970 of an RFC 2822 date, in decimal; "0" when the text does not parse. */
std::string Rfc2822DateToPathValue(const std::string& date);

/** The entity tag written as hexadecimal for a file name. */
std::string ETagToPathValue(const std::string& entityTag);

/**
 * The cache path for an answer with these "Last-Modified" and "ETag" values: base path + "." +
 * last-modified value + "_" + entity-tag value. An entity tag too long for a file name is left out.
 */
std::string NewCachePath(const std::string& basePath, const std::string& lastModified,
                         const std::string& entityTag);

/** Seconds since 1970 printed as "EEE, dd MMM yyyy HH:mm:ss GMT". */
std::string FormatRfc2822Date(std::int64_t seconds);

/** The seconds since 1970 of a date in that format; empty when it does not parse. */
std::optional<std::int64_t> ParseRfc2822Date(const std::string& date);

/** True when the folder exists afterwards (created with its parents when missing). */
bool EnsureFolderExists(const std::string& folderPath);

/**
 * Stores the body under the new path and then removes the URL's other copies; a failed write keeps
 * them. Returns the path written, or "" when nothing was written.
 */
std::string WriteFileToCache(const std::shared_ptr<HttpConnectionDataInterface>& body,
                             const std::string& cacheRoot, const std::string& folder,
                             const std::string& basePath, const std::string& newFilePath);

/** Removes every entry of the folder whose name, without its extension, is not the digest of a kept URL. */
void DeleteEntriesNotInList(const std::string& folderPath, const std::deque<std::string>& urlsToKeep);

}  // namespace DownloadCache

}  // namespace NuvraMobile
