#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <vector>

#include "core/values/SdkError.h"
#include "services/compression/ZipFile.h"
#include "support/FileSystemTestFolder.h"
#include "support/ZipBuilder.h"

namespace NuvraMobile {
namespace {

namespace fs = std::filesystem;

// An archive and the error that opening or extracting it throws.
struct RefusalCase {
    const char* description;
    std::string bytes;
    const char* code;
    const char* message;
};

class ZipFileTest : public testing::Test {
protected:
    std::string WriteArchive(const std::string& bytes) {
        const std::string path = folder_.PathOf("archive.zip");
        WriteFileBytes(path, bytes);
        return path;
    }

    // The error that building or extracting the archive throws; an empty error when none is thrown.
    SdkError ErrorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const SdkError& error) {
            return error;
        }
        return SdkError();
    }

    void ExtractAll(const std::string& archivePath) {
        ZipFile archive(archivePath);
        for (const auto& entry : archive.GetEntries()) {
            entry.ExtractFile(Output());
        }
    }

    std::string Output() const { return folder_.PathOf("out"); }

    // Runs `action` on each case's archive and checks the error it throws.
    void ExpectRefusals(const std::vector<RefusalCase>& cases,
                        const std::function<void(const std::string& archivePath)>& action) {
        for (const auto& refusal : cases) {
            SCOPED_TRACE(refusal.description);
            const std::string path = WriteArchive(refusal.bytes);
            ExpectError(ErrorOf([&] { action(path); }), refusal.code, refusal.message);
        }
    }

    static void ExpectError(const SdkError& error, const std::string& code, const std::string& message) {
        EXPECT_EQ(error.GetCode(), code);
        EXPECT_EQ(error.GetMessage(), message);
    }

    FileSystemTestFolder folder_;
};

TEST_F(ZipFileTest, ReadsEntriesInCentralDirectoryOrderWithTheirComment) {
    const std::string path =
        WriteArchive(ZipBuilder().Add("b.txt", "B").Add("a.txt", "A").SetComment("note").Build());
    ZipFile archive(path);
    ASSERT_EQ(archive.GetEntries().size(), 2u);
    EXPECT_EQ(archive.GetEntries()[0].FileName(), "b.txt");
    EXPECT_EQ(archive.GetEntries()[1].FileName(), "a.txt");
    EXPECT_EQ(archive.GetComment(), "note");
    EXPECT_TRUE(archive.IsConforming());
}

TEST_F(ZipFileTest, ArchivesThatCannotBeOpenedThrowTheirReadOrFormatError) {
    const std::string valid = ZipBuilder().Add("file.txt", std::string(300, 'x')).Build();
    ExpectRefusals(
        {
            {"empty file", "", "compressed-file.corrupted", "File does not appear to be a zip file"},
            {"text file", std::string(500, 't'), "compressed-file.corrupted",
             "File does not appear to be a zip file"},
            {"end signature in a file shorter than its record", "PK\x05\x06tiny",
             "compressed-file.read-failed", "Failed to read zip file"},
            {"truncated archive", valid.substr(0, valid.size() / 2), "compressed-file.corrupted",
             "File does not appear to be a zip file"},
            {"end record cut short", valid.substr(0, valid.size() - 5), "compressed-file.read-failed",
             "Failed to read zip file"},
        },
        [](const std::string& path) { ZipFile archive(path); });
    ExpectError(ErrorOf([&] { ZipFile archive(folder_.PathOf("missing.zip")); }),
                "compressed-file.read-failed", "Failed to open zip file");
}

TEST_F(ZipFileTest, DamagedHeadersThrowAtOpeningBeforeAnythingIsWritten) {
    const auto damaged = [](const std::function<void(ZipBuilder::Entry&)>& damage) {
        ZipBuilder::Entry good;
        good.name = "good.txt";
        good.content = "fine";
        ZipBuilder::Entry bad = good;
        bad.name = "bad.txt";
        damage(bad);
        return ZipBuilder().Add(good).Add(bad).Build();
    };
    const char* corrupted = "compressed-file.corrupted";
    ExpectRefusals(
        {
            {"central signature", damaged([](auto& entry) { entry.centralSignature = 0x02014b51; }),
             corrupted, "File header corrupted"},
            {"local name", damaged([](auto& entry) { entry.localName = "bad.txT"; }), corrupted,
             "File header mismatch: FILE NAME"},
            {"local name length", damaged([](auto& entry) { entry.localName = "bad.txt2"; }), corrupted,
             "File header mismatch: FILE NAME"},
            {"local method", damaged([](auto& entry) { entry.localMethod = 0; }), corrupted,
             "File header mismatch: COMPRESSION METHOD"},
            {"local flags", damaged([](auto& entry) { entry.localFlags = 2; }), corrupted,
             "File header mismatch: FLAGS"},
        },
        [this](const std::string& path) { ExtractAll(path); });
    EXPECT_FALSE(fs::exists(Output()));
}

TEST_F(ZipFileTest, EndRecordIsFoundWhereverItsSignatureFallsAmongTheSearchWindows) {
    // Comment lengths that put the signature across the boundary of two 128-byte windows, counted from
    // the end of the file, and around it.
    for (const std::size_t commentLength : {0, 100, 105, 106, 107, 108, 109, 233, 234, 235, 236, 1000}) {
        SCOPED_TRACE(commentLength);
        const std::string comment(commentLength, 'c');
        ZipFile archive(
            WriteArchive(ZipBuilder().Add("file.txt", std::string(300, 'x')).SetComment(comment).Build()));
        ASSERT_EQ(archive.GetEntries().size(), 1u);
        EXPECT_EQ(archive.GetComment(), comment);
    }
}

TEST_F(ZipFileTest, EarliestSignatureInTheWindowIsTheEndRecordEvenWhenTheCommentRepeatsIt) {
    const std::string fakeRecord("PK\x05\x06\xFF\xFF", 6);
    const std::string path = WriteArchive(ZipBuilder().Add("a.txt", "A").SetComment(fakeRecord).Build());
    ZipFile archive(path);
    ASSERT_EQ(archive.GetEntries().size(), 1u);
    EXPECT_EQ(archive.GetComment(), fakeRecord);
}

TEST_F(ZipFileTest, ExtractsStoredAndDeflatedEntriesOfEverySizeByteExactly) {
    ZipBuilder builder;
    std::map<std::string, std::string> contents;
    for (const std::size_t size : {0, 1, 127, 128, 129, 256, 1023, 1024, 1025, 70000}) {
        std::string content;
        for (std::size_t index = 0; index < size; ++index) {
            content.push_back(static_cast<char>((index * 31 + size) % 251));
        }
        for (const std::uint16_t method : {0, 8}) {
            ZipBuilder::Entry entry;
            entry.name = "m" + std::to_string(method) + "/" + std::to_string(size) + ".bin";
            entry.content = content;
            entry.method = method;
            builder.Add(entry);
            contents[entry.name] = content;
        }
    }

    ExtractAll(WriteArchive(builder.Build()));

    for (const auto& [name, content] : contents) {
        EXPECT_EQ(ReadFileBytes(Output() + "/" + name), content) << name;
    }
    EXPECT_TRUE(fs::is_regular_file(Output() + "/m0/0.bin"));
}

TEST_F(ZipFileTest, DirectoryEntriesMakeFoldersAndSlashNamesWithDataMakeFiles) {
    ZipBuilder::Entry folder;
    folder.name = "folder/";
    folder.method = 0;
    ZipBuilder::Entry backslashFolder = folder;
    backslashFolder.name = "other\\";
    ZipBuilder::Entry fileWithSlash;
    fileWithSlash.name = "data/";
    fileWithSlash.content = "not a folder";
    const std::string path =
        WriteArchive(ZipBuilder().Add(folder).Add(backslashFolder).Add(fileWithSlash).Build());

    ExtractAll(path);

    EXPECT_TRUE(fs::is_directory(Output() + "/folder"));
    EXPECT_TRUE(fs::is_directory(Output() + "/other\\"));
    EXPECT_EQ(ReadFileBytes(Output() + "/data"), "not a folder");
}

TEST_F(ZipFileTest, NamesThePlatformKeepsToItselfAreSkipped) {
    const std::string path = WriteArchive(ZipBuilder()
                                              .Add("__MACOSX/._rules.json", "resource fork")
                                              .Add(".DS_Store", "finder")
                                              .Add("sub/.DS_Store.bak", "finder")
                                              .Add("rules.json", "{}")
                                              .Build());
    ExtractAll(path);
    EXPECT_EQ(ReadFileBytes(Output() + "/rules.json"), "{}");
    EXPECT_FALSE(fs::exists(Output() + "/__MACOSX"));
    EXPECT_FALSE(fs::exists(Output() + "/.DS_Store"));
    EXPECT_FALSE(fs::exists(Output() + "/sub"));
}

TEST_F(ZipFileTest, EntriesThatDoNotDecodeToWhatTheHeadersDeclareAreRefused) {
    const auto single = [](const std::function<void(ZipBuilder::Entry&)>& change) {
        ZipBuilder::Entry entry;
        entry.name = "e.txt";
        entry.content = std::string(2000, 'e');
        change(entry);
        return ZipBuilder().Add(entry).Build();
    };
    ExpectRefusals(
        {
            {"checksum", single([](auto& entry) { entry.crc32 = 1; }), "compressed-file.decompression-failed",
             "CRC32 mismatch for e.txt"},
            {"inflates beyond its size", single([](auto& entry) { entry.declaredUncompressedSize = 1999; }),
             "compressed-file.decompression-failed", "Uncompressed file size mismatch for e.txt"},
            {"inflates short of its size", single([](auto& entry) { entry.declaredUncompressedSize = 2001; }),
             "compressed-file.decompression-failed", "Uncompressed file size mismatch for e.txt"},
            {"unknown method", single([](auto& entry) { entry.method = 12; }), "compressed-file.init-failed",
             "Failed to initialize decompressor"},
        },
        [this](const std::string& path) { ExtractAll(path); });
}

TEST_F(ZipFileTest, DeflateDataThatIsNotDeflateIsADecompressionError) {
    ZipBuilder::Entry entry;
    entry.name = "garbage.bin";
    entry.content = std::string(300, '\xFF');
    entry.method = 9;  // written as stored bytes, declared as enhanced deflate
    const std::string path = WriteArchive(ZipBuilder().Add(entry).Build());
    ExpectError(ErrorOf([&] { ExtractAll(path); }), "compressed-file.decompression-failed",
                "Failed to decompress zipped file");
}

TEST_F(ZipFileTest, DataDescriptorWithZeroLocalSizesExtractsByTheCentralHeader) {
    ZipBuilder::Entry entry;
    entry.name = "streamed.txt";
    entry.content = std::string(500, 's') + "end";
    entry.flags = 0x0008;
    entry.withDataDescriptor = true;
    const std::string path = WriteArchive(ZipBuilder().Add(entry).Build());

    ExtractAll(path);

    EXPECT_EQ(ReadFileBytes(Output() + "/streamed.txt"), entry.content);
}

TEST_F(ZipFileTest, UnusualArchivesStillOpenButAreNotConforming) {
    ZipBuilder::Entry encrypted;
    encrypted.name = "secret";
    encrypted.content = "x";
    encrypted.flags = 0x0001;
    ZipBuilder::Entry zip64;
    zip64.name = "big";
    zip64.content = "y";
    zip64.centralExtraField = std::string("\x01\x00\x00\x00", 4);
    ZipBuilder::Entry method;
    method.name = "lzma";
    method.method = 14;
    for (const auto& entry : {encrypted, zip64, method}) {
        SCOPED_TRACE(entry.name);
        ZipFile archive(WriteArchive(ZipBuilder().Add("plain", "p").Add(entry).Build()));
        EXPECT_FALSE(archive.IsConforming());
        EXPECT_TRUE(archive.GetEntries()[0].IsConforming());
        EXPECT_FALSE(archive.GetEntries()[1].IsConforming());
    }
}

TEST_F(ZipFileTest, ExtraFieldThatRunsPastItsEndIsCutWithoutReadingFurther) {
    ZipBuilder::Entry entry;
    entry.name = "odd.txt";
    entry.content = "content";
    entry.centralExtraField = std::string("\x55\x54\xFF\x00\x01\x02", 6);
    ZipFile archive(WriteArchive(ZipBuilder().Add(entry).Build()));
    EXPECT_EQ(archive.GetEntries()[0].FileName(), "odd.txt");
}

TEST_F(ZipFileTest, DescribesEntriesInWords) {
    ZipBuilder::Entry entry;
    entry.name = "x";
    entry.method = 0;
    entry.hostSystem = 19;
    entry.versionNeeded = 0x0314;
    entry.modificationDate = static_cast<std::uint16_t>(((2021 - 1980) << 9) | (3 << 5) | 9);
    entry.modificationTime = static_cast<std::uint16_t>((7 << 11) | (5 << 5) | 21);
    const auto described = ZipFile(WriteArchive(ZipBuilder().Add(entry).Build())).GetEntries()[0];
    EXPECT_EQ(described.LastModified(), "2021-3-9 7:5:42");
    EXPECT_EQ(described.Creator(), "OS/X (Darwin)");
    EXPECT_EQ(described.CompressionMethod(), "no compression");
    EXPECT_EQ(described.ZipVersionRequired(), "20.3");

    const struct {
        std::uint16_t method;
        const char* name;
    } methods[] = {{1, "shrunk"},
                   {4, "reduced with compression factor 3"},
                   {8, "deflated"},
                   {14, "LZMA"},
                   {98, "PPMd version I, Rev 1"},
                   {7, "reserved"},
                   {99, "reserved"}};
    for (const auto& methodCase : methods) {
        ZipBuilder::Entry described2;
        described2.name = "m";
        described2.method = methodCase.method;
        described2.hostSystem = 20;
        const auto read = ZipFile(WriteArchive(ZipBuilder().Add(described2).Build())).GetEntries()[0];
        EXPECT_EQ(read.CompressionMethod(), methodCase.name);
        EXPECT_EQ(read.Creator(), "Unknown");
    }
}

}  // namespace
}  // namespace NuvraMobile
