#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "services/network/DownloadCache.h"
#include "services/network/HttpConnection.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

namespace fs = std::filesystem;
using namespace DownloadCache;

std::shared_ptr<HttpConnectionDataInterface> Body(const std::string& bytes) {
    return HttpConnection(200, {}, bytes).GetResponseRawData();
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

/** A fresh cache root in a temporary folder, removed afterwards. */
class DownloadCacheFilesTest : public testing::Test {
protected:
    DownloadCacheFilesTest() {
        std::string pattern = (fs::temp_directory_path() / "download-cache-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
        cacheRoot_ = (root_ / CACHE_FOLDER_NAME).string();
    }
    ~DownloadCacheFilesTest() override { fs::remove_all(root_); }

    std::string BasePath(const std::string& folder, const std::string& url) const {
        return cacheRoot_ + "/" + (folder.empty() ? "" : folder + "/") + GetDigestForUrl(url);
    }

    fs::path root_;
    std::string cacheRoot_;
};

TEST(DownloadCacheTest, DigestIsTheBase64OfTheSha256WithUnderscoreForSlash) {
    EXPECT_EQ("ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD_YfIAFa0=", GetDigestForUrl("abc"));
    const char* urls[] = {"", "https://example.com/config.json", "https://example.com/config.json/",
                          "https://example.com/r\xc3\xa9gles.zip"};
    for (const char* url : urls) {
        std::string digest = GetDigestForUrl(url);
        EXPECT_EQ(44u, digest.size()) << url;
        EXPECT_EQ('=', digest.back()) << url;
        EXPECT_EQ(std::string::npos, digest.find_first_of("/.")) << url;
    }
    EXPECT_NE(GetDigestForUrl("https://example.com/a"), GetDigestForUrl("https://example.com/a/"));
}

TEST(DownloadCacheTest, ExtensionPiecesSplitAtRunsOfUnderscores) {
    struct Case {
        const char* path;
        std::vector<std::string> pieces;
        bool warned;
    };
    const Case cases[] = {
        {"/c/digest.100_22616222", {"100", "22616222"}, false},
        {"/c/digest._22616222", {"", "22616222"}, false},
        {"/c/digest.1__2", {"1", "2"}, false},
        {"/c/digest.1_2_3", {"1", "2", "3"}, true},
        {"/c/digest.100_", {"100"}, true},
        {"/c/digest.100", {"100"}, true},
        {"/c/digest.", {""}, true},
        {"/c/digest.___", {""}, true},
        {"/c/digest", {}, true},
    };
    for (const Case& c : cases) {
        ScopedCapturingLog log(LoggingMode::Warning);
        EXPECT_EQ(c.pieces, GetValuesFromPathExtension(c.path)) << c.path;
        EXPECT_EQ(c.warned, !log.Service().GetLines().empty()) << c.path;
    }
}

TEST(DownloadCacheTest, DatesAndEntityTagsInFileNames) {
    struct Case {
        const char* header;
        const char* value;
    };
    const Case dates[] = {
        {"Thu, 01 Jan 1970 00:01:40 GMT", "100"},
        {"Thu, 01 Jan 1970 00:00:00 GMT", "0"},
        {"Wed, 09 Dec 2026 20:00:00 GMT", "1796846400"},
        {"Wed, 31 Dec 1969 23:59:59 GMT", "-1"},
        {"Thursday, 01-Jan-70 00:01:40 GMT", "0"},  // RFC 850 form
        {"Thu Jan  1 00:01:40 1970", "0"},          // asctime form
        {"Thu, 31 Feb 2021 00:00:00 GMT", "0"},
        {"Thu, 01 Jan 1970 00:01:40 UTC", "0"},
        {"", "0"},
    };
    for (const Case& c : dates) {
        EXPECT_EQ(c.value, Rfc2822DateToPathValue(c.header)) << c.header;
    }
    const Case values[] = {
        {"Thu, 01 Jan 1970 00:01:40 GMT", "100"},   {"Thu, 01 Jan 1970 00:01:40 GMT", " 100.9xyz"},
        {"Thu, 01 Jan 1970 00:00:00 GMT", ""},      {"Thu, 01 Jan 1970 00:00:00 GMT", "abc"},
        {"Thu, 01 Jan 1970 00:00:00 GMT", "1e300"}, {"Wed, 09 Dec 2026 20:00:00 GMT", "1796846400"},
    };
    for (const Case& c : values) {
        EXPECT_EQ(c.header, PathValueToRfc2822Date(c.value)) << c.value;
    }
    EXPECT_EQ("22616222", ETagToPathValue("\"ab\""));
    EXPECT_EQ("572F22782200FF", ETagToPathValue(std::string("W/\"x\"\0\xff", 7)));
    EXPECT_EQ("\"ab\"", PathValueToETag("22616222"));
    EXPECT_EQ("\"ab\"", PathValueToETag("226162227"));  // an odd last digit is ignored
    EXPECT_EQ("W/", PathValueToETag("572F00FF"));       // the header stops at a zero byte
    EXPECT_EQ("", PathValueToETag("zz616222"));         // not hexadecimal: no entity tag at all
}

TEST(DownloadCacheTest, NewPathLeavesOutAnEntityTagTooLongForAFileName) {
    std::string base = "/cache/config/" + GetDigestForUrl("https://example.com/a");
    EXPECT_EQ(base + ".100_22616222", NewCachePath(base, "Thu, 01 Jan 1970 00:01:40 GMT", "\"ab\""));
    EXPECT_EQ(base + ".0_", NewCachePath(base, "", ""));
    EXPECT_EQ(base + ".0_", NewCachePath(base, "", std::string(200, 'e')));
}

TEST(DownloadCacheTest, AFileNameOfExactlyTheLimitKeepsItsEntityTagAndOneByteMoreDoesNot) {
    const std::string digest = GetDigestForUrl("https://example.com/a");
    const std::string base = "/cache/config/" + digest;
    // Sized so that with the one-digit date the file name has exactly 255 bytes; the two-digit date
    // makes it one byte longer.
    const std::string entityTag((255 - (digest.size() + std::string(".0_").size())) / 2, 'e');
    const std::string oneDigitDate = "Thu, 01 Jan 1970 00:00:00 GMT";
    const std::string twoDigitDate = "Thu, 01 Jan 1970 00:00:10 GMT";
    const std::string kept = NewCachePath(base, oneDigitDate, entityTag);
    ASSERT_EQ(255u, kept.size() - std::string("/cache/config/").size());
    EXPECT_EQ(base + ".0_" + ETagToPathValue(entityTag), kept);
    EXPECT_EQ(base + ".10_", NewCachePath(base, twoDigitDate, entityTag));
}

TEST(DownloadCacheTest, ConditionalHeadersComeFromTheCachedName) {
    struct Case {
        const char* extension;
        std::map<std::string, std::string> headers;
    };
    const Case cases[] = {
        {"100_22616222",
         {{"If-Modified-Since", "Thu, 01 Jan 1970 00:01:40 GMT"}, {"If-None-Match", "\"ab\""}}},
        {"100_", {{"If-Modified-Since", "Thu, 01 Jan 1970 00:01:40 GMT"}}},
        {"_22616222", {{"If-Modified-Since", "Thu, 01 Jan 1970 00:00:00 GMT"}, {"If-None-Match", "\"ab\""}}},
        {"1_2_3", {{"If-Modified-Since", "Thu, 01 Jan 1970 00:00:01 GMT"}}},
        {"100_0g616222", {{"If-Modified-Since", "Thu, 01 Jan 1970 00:01:40 GMT"}}},
        // an unpacked archive: the values are those of the copy it came from
        {"100_22616222_dir",
         {{"If-Modified-Since", "Thu, 01 Jan 1970 00:01:40 GMT"}, {"If-None-Match", "\"ab\""}}},
        {"100__dir", {{"If-Modified-Since", "Thu, 01 Jan 1970 00:01:40 GMT"}}},
    };
    for (const Case& c : cases) {
        Expected<std::string, SdkError> cached(std::string("/cache/digest.") + c.extension);
        EXPECT_EQ(c.headers, GetFileRequestProperties(cached)) << c.extension;
    }
    EXPECT_TRUE(
        GetFileRequestProperties(SdkError("remotefilemanager.cache_failed", "URL not cached", {})).empty());
}

TEST_F(DownloadCacheFilesTest, WritingCreatesTheFoldersAndReplacesOlderCopiesOnlyAfterwards) {
    std::string base = BasePath("config", "https://example.com/a");
    std::string first = base + ".100_22616222";
    EXPECT_EQ(first, WriteFileToCache(Body("one"), cacheRoot_, "config", base, first));
    EXPECT_EQ("one", ReadFile(first));
    EXPECT_EQ(first, WriteFileToCache(Body("two"), cacheRoot_, "config", base, first));
    EXPECT_EQ("two", ReadFile(first));
    std::string second = base + ".200_";
    EXPECT_EQ(second, WriteFileToCache(Body(""), cacheRoot_, "config", base, second));
    EXPECT_EQ(std::vector<std::string>{fs::path(second).filename().string()},
              GetFolderContents(cacheRoot_ + "/config"));
    EXPECT_EQ("", ReadFile(second));
    Expected<std::string, SdkError> found = FindFileInCache(base);
    ASSERT_TRUE(found.HasValue());
    EXPECT_EQ(second, found.ConstValue());
}

TEST_F(DownloadCacheFilesTest, AFailedWriteKeepsTheLastGoodCopy) {
    ScopedCapturingLog log(LoggingMode::Error);
    std::string base = BasePath("", "https://example.com/a");
    std::string good = base + ".100_";
    ASSERT_EQ(good, WriteFileToCache(Body("good"), cacheRoot_, "", base, good));
    std::string blocked = base + ".200_";
    fs::create_directories(fs::path(blocked) / "occupied");  // the new name cannot become a file
    EXPECT_EQ("", WriteFileToCache(Body("new"), cacheRoot_, "", base, blocked));
    EXPECT_EQ("good", ReadFile(good));
    EXPECT_TRUE(log.Service().Contains("Unable to write file to cache ("));
    EXPECT_EQ(2u, FindFilesWithMatchingPrefix(base).size());  // no temporary file is left behind
}

TEST_F(DownloadCacheFilesTest, AFileWhereTheCacheFolderBelongsStopsTheWrite) {
    ScopedCapturingLog log(LoggingMode::Error);
    fs::create_directories(root_);
    std::ofstream(cacheRoot_) << "not a folder";
    std::string base = BasePath("config", "https://example.com/a");
    EXPECT_EQ("", WriteFileToCache(Body("x"), cacheRoot_, "config", base, base + ".0_"));
    EXPECT_TRUE(log.Service().Contains("Unable to create directory, it's a file!"));
}

TEST_F(DownloadCacheFilesTest, LookupWithoutACopyReportsUrlNotCached) {
    Expected<std::string, SdkError> missing = FindFileInCache(BasePath("config", "https://example.com/a"));
    ASSERT_TRUE(missing.HasError());
    EXPECT_EQ("remotefilemanager.cache_failed", missing.Error().GetCode());
    EXPECT_EQ("URL not cached", missing.Error().GetMessage());
    EXPECT_TRUE(FindFilesWithMatchingPrefix("no-slash").empty());
}

TEST_F(DownloadCacheFilesTest, CleaningKeepsOnlyTheListedUrls) {
    const std::string kept = "https://example.com/kept";
    const std::string dropped = "https://example.com/dropped";
    for (const char* folder : {"config", "configRules"}) {
        for (const std::string& url : {kept, dropped}) {
            std::string base = BasePath(folder, url);
            ASSERT_FALSE(WriteFileToCache(Body(url), cacheRoot_, folder, base, base + ".1_").empty());
        }
    }
    DeleteEntriesNotInList(cacheRoot_ + "/config", {kept});
    EXPECT_EQ(std::vector<std::string>{GetDigestForUrl(kept) + ".1_"},
              GetFolderContents(cacheRoot_ + "/config"));
    EXPECT_EQ(2u, GetFolderContents(cacheRoot_ + "/configRules").size());

    DeleteEntriesNotInList(cacheRoot_, {});  // the root's subfolders go too
    EXPECT_TRUE(GetFolderContents(cacheRoot_).empty());

    ScopedCapturingLog log(LoggingMode::Trace);
    DeleteEntriesNotInList(cacheRoot_ + "/missing", {});
    EXPECT_EQ(std::vector<std::string>{"Nothing to be removed in cache folder " + cacheRoot_ + "/missing"},
              log.Service().GetMessages());
    EXPECT_FALSE(fs::exists(cacheRoot_ + "/missing"));
}

}  // namespace
}  // namespace NuvraMobile
