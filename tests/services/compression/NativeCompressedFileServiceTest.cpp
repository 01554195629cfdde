#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "core/values/SdkError.h"
#include "services/compression/NativeCompressedFileService.h"
#include "support/FileSystemTestFolder.h"
#include "support/ZipBuilder.h"

namespace NuvraMobile {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t UNIX_SYMBOLIC_LINK_ATTRIBUTES = 0120777u << 16;

class NativeCompressedFileServiceTest : public testing::Test {
protected:
    std::string WriteArchive(const std::string& bytes) {
        const std::string path = folder_.PathOf("bundle.zip");
        WriteFileBytes(path, bytes);
        return path;
    }

    bool Extract(const std::string& archivePath) {
        return service_->Extract(archivePath, CompressedFileType::ZIP, Destination());
    }

    // The code of the SdkError that extracting the archive throws, and its message when asked for; empty
    // when it extracts.
    std::string RefusalOf(const std::string& archiveBytes, std::string* message = nullptr) {
        try {
            Extract(WriteArchive(archiveBytes));
        } catch (const SdkError& error) {
            if (message) {
                *message = error.GetMessage();
            }
            return error.GetCode();
        }
        return "";
    }

    // Everything below the scratch folder besides the archive itself.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(folder_.Path())) {
            if (entry.path().filename() != "bundle.zip") {
                names.push_back(fs::relative(entry.path(), folder_.Path()).string());
            }
        }
        return names;
    }

    std::string Destination() const { return folder_.PathOf("bundle.zip_dir"); }

    FileSystemTestFolder folder_;
    std::shared_ptr<CompressedFileServiceInterface> service_ = CreateNativeCompressedFileService();
};

ZipBuilder::Entry Entry(const std::string& name, const std::string& content) {
    ZipBuilder::Entry entry;
    entry.name = name;
    entry.content = content;
    return entry;
}

TEST_F(NativeCompressedFileServiceTest, ArchiveTypeOtherThanZipIsNotHandledAndTouchesNothing) {
    const std::string path = WriteArchive(ZipBuilder().Add("rules.json", "{}").Build());
    EXPECT_FALSE(service_->Extract(path, static_cast<CompressedFileType>(1), Destination()));
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(NativeCompressedFileServiceTest, ArchiveMadeByTheZipCommandExtractsByteExactly) {
    if (std::system("command -v zip >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "the zip command is not installed";
    }
    const std::string source = folder_.PathOf("source");
    std::map<std::string, std::string> files = {
        {"rules.json", R"({"rules": []})"},
        {"assets/image.bin", std::string("\x89PNG\r\n\x1a\n\0\0\xFF", 11)},
        {"assets/deep/er/text.txt", std::string(100000, 'r') + "end"},
        {"empty.txt", ""},
    };
    for (const auto& [name, content] : files) {
        fs::create_directories(fs::path(source + "/" + name).parent_path());
        WriteFileBytes(source + "/" + name, content);
    }
    const std::string archive = folder_.PathOf("bundle.zip");
    ASSERT_EQ(std::system(("cd '" + source + "' && zip -q -r '" + archive + "' .").c_str()), 0);
    fs::remove_all(source);

    EXPECT_TRUE(Extract(archive));

    for (const auto& [name, content] : files) {
        EXPECT_EQ(ReadFileBytes(Destination() + "/" + name), content) << name;
    }
    EXPECT_TRUE(fs::exists(archive));
}

TEST_F(NativeCompressedFileServiceTest, UnsafeEntriesRefuseTheWholeArchiveAndWriteNothing) {
    const struct {
        const char* description;
        ZipBuilder::Entry entry;
        const char* code;
    } cases[] = {
        {"parent folder", Entry("../evil.txt", "x"), "compressed-file.corrupted"},
        {"parent folder deeper", Entry("a/../../evil.txt", "x"), "compressed-file.corrupted"},
        {"parent folder at the end", Entry("a/..", "x"), "compressed-file.corrupted"},
        {"backslash parent folder", Entry("a\\..\\..\\evil.txt", "x"), "compressed-file.corrupted"},
        {"absolute path", Entry("/tmp/evil.txt", "x"), "compressed-file.corrupted"},
        {"drive letter", Entry("C:/evil.txt", "x"), "compressed-file.corrupted"},
        {"the destination itself", Entry("./", "x"), "compressed-file.corrupted"},
        {"empty name", Entry("", "x"), "compressed-file.corrupted"},
        {"NUL in the name", Entry(std::string("ok\0/../../evil", 14), "x"), "compressed-file.corrupted"},
        {"symbolic link",
         [] {
             auto link = Entry("link", "/etc/passwd");
             link.externalAttributes = UNIX_SYMBOLIC_LINK_ATTRIBUTES;
             return link;
         }(),
         "compressed-file.corrupted"},
    };
    for (const auto& unsafeCase : cases) {
        SCOPED_TRACE(unsafeCase.description);
        const std::string archive = ZipBuilder()
                                        .Add("first.txt", "written first?")
                                        .Add(unsafeCase.entry)
                                        .Add("last.txt", "l")
                                        .Build();
        EXPECT_EQ(RefusalOf(archive), unsafeCase.code);
        EXPECT_TRUE(Leftovers().empty());
        EXPECT_FALSE(fs::exists("/tmp/evil.txt"));
    }
}

TEST_F(NativeCompressedFileServiceTest, ArchivesThatFailPartWayLeaveNoPartialFolder) {
    auto badChecksum = Entry("third.txt", "3");
    badChecksum.crc32 = 0;
    auto unknownMethod = Entry("third.txt", "3");
    unknownMethod.method = 12;
    const std::string good =
        ZipBuilder().Add("one.txt", "1").Add("two/two.txt", "2").Add("three.txt", "3").Build();
    const struct {
        const char* description;
        std::string bytes;
        const char* code;
    } cases[] = {
        {"bad checksum in the third entry",
         ZipBuilder().Add("one.txt", "1").Add("two/two.txt", "2").Add(badChecksum).Build(),
         "compressed-file.decompression-failed"},
        {"unknown method in the third entry",
         ZipBuilder().Add("one.txt", "1").Add("two/two.txt", "2").Add(unknownMethod).Build(),
         "compressed-file.init-failed"},
        {"truncated archive", good.substr(0, good.size() - 10), "compressed-file.read-failed"},
        {"archive cut in half", good.substr(0, good.size() / 2), "compressed-file.corrupted"},
    };
    for (const auto& failingCase : cases) {
        SCOPED_TRACE(failingCase.description);
        EXPECT_EQ(RefusalOf(failingCase.bytes), failingCase.code);
        EXPECT_TRUE(Leftovers().empty());
    }
}

TEST_F(NativeCompressedFileServiceTest, ArchivesThatExpandTooFarAreRefused) {
    // Inflates to 10 MiB while declaring 1000 bytes.
    auto bomb = Entry("bomb.bin", std::string(10 * 1024 * 1024, '\0'));
    bomb.declaredUncompressedSize = 1000;
    bomb.crc32 = ZipBuilder::Crc32(std::string(1000, '\0'));
    // Entries each under 64 MiB that declare more in all: the whole archive is refused for its sum,
    // before anything is inflated (a later check of an entry's size would fail with the same code).
    ZipBuilder manyEntries;
    for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
        auto part = Entry(name, "small");
        part.declaredUncompressedSize = 30 * 1024 * 1024;
        manyEntries.Add(part);
    }

    EXPECT_EQ(RefusalOf(ZipBuilder().Add(bomb).Build()), "compressed-file.decompression-failed");
    EXPECT_TRUE(Leftovers().empty());
    std::string message;
    EXPECT_EQ(RefusalOf(manyEntries.Build(), &message), "compressed-file.decompression-failed");
    EXPECT_EQ(message, "Archive expands beyond 67108864 bytes");
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(NativeCompressedFileServiceTest, ExtractionIntoAnExistingFolderReplacesSameNamesAndKeepsTheRest) {
    fs::create_directories(Destination() + "/nested");
    WriteFileBytes(Destination() + "/rules.json", "old rules");
    WriteFileBytes(Destination() + "/kept.txt", "kept");
    WriteFileBytes(Destination() + "/nested/kept.txt", "nested kept");
    fs::create_directories(Destination() + "/was-folder");
    fs::create_directory_symlink(folder_.Path(), Destination() + "/nested/link");

    EXPECT_TRUE(Extract(WriteArchive(ZipBuilder()
                                         .Add("rules.json", "new rules")
                                         .Add("nested/new.txt", "new")
                                         .Add("was-folder", "now a file")
                                         .Add("nested/link/escaped.txt", "stays inside")
                                         .Build())));

    EXPECT_EQ(ReadFileBytes(Destination() + "/rules.json"), "new rules");
    EXPECT_EQ(ReadFileBytes(Destination() + "/kept.txt"), "kept");
    EXPECT_EQ(ReadFileBytes(Destination() + "/nested/kept.txt"), "nested kept");
    EXPECT_EQ(ReadFileBytes(Destination() + "/nested/new.txt"), "new");
    EXPECT_EQ(ReadFileBytes(Destination() + "/was-folder"), "now a file");
    EXPECT_FALSE(fs::exists(folder_.PathOf("escaped.txt")));
    EXPECT_EQ(ReadFileBytes(Destination() + "/nested/link/escaped.txt"), "stays inside");
}

TEST_F(NativeCompressedFileServiceTest, RefusedArchiveLeavesAnExistingFolderAsItWas) {
    fs::create_directories(Destination());
    WriteFileBytes(Destination() + "/rules.json", "old rules");
    auto bad = Entry("rules.json", "new rules");
    bad.crc32 = 7;

    EXPECT_EQ(RefusalOf(ZipBuilder().Add(bad).Build()), "compressed-file.decompression-failed");

    EXPECT_EQ(ReadFileBytes(Destination() + "/rules.json"), "old rules");
    EXPECT_EQ(Leftovers().size(), 2u);
}

TEST_F(NativeCompressedFileServiceTest, DestinationWithTrailingSlashIsTheSameFolder) {
    const std::string archive = WriteArchive(ZipBuilder().Add("rules.json", "{}").Build());
    EXPECT_TRUE(service_->Extract(archive, CompressedFileType::ZIP, Destination() + "/"));
    EXPECT_EQ(ReadFileBytes(Destination() + "/rules.json"), "{}");
    EXPECT_EQ(Leftovers().size(), 2u);
}

}  // namespace
}  // namespace NuvraMobile
