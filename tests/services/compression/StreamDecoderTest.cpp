#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platformShim/StreamDecoderInterface.h"
#include "support/ZipBuilder.h"

namespace NuvraMobile {
namespace {

// Records every piece handed to the sink.
struct Pieces {
    std::vector<std::string> pieces;

    StreamDecoderInterface::OutputSink Sink() {
        return [this](const std::uint8_t* bytes, std::uint32_t count) {
            pieces.emplace_back(reinterpret_cast<const char*>(bytes), count);
        };
    }
    std::string Joined() const {
        std::string joined;
        for (const auto& piece : pieces) {
            joined += piece;
        }
        return joined;
    }
};

const std::uint8_t* Bytes(const std::string& text) {
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

// Feeds `input` in chunks of `chunkSize`, flagging the last; answers every Process result.
std::vector<bool> Feed(StreamDecoderInterface& decoder, const std::string& input, std::size_t chunkSize,
                       Pieces& out) {
    std::vector<bool> results;
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min(chunkSize, input.size() - offset);
        const bool last = offset + length == input.size();
        results.push_back(
            decoder.Process(Bytes(input) + offset, static_cast<std::int32_t>(length), last, out.Sink()));
        offset += length;
    } while (offset < input.size());
    return results;
}

TEST(StreamDecoderTest, StoredDecoderHandsEveryChunkOnUnchangedEvenAnEmptyOne) {
    auto decoder = StreamDecoderInterface::CreateDecompressor(CompressionMethod::STORED);
    Pieces out;
    ASSERT_TRUE(decoder->Initialize());
    EXPECT_TRUE(decoder->Process(Bytes("abc"), 3, false, out.Sink()));
    EXPECT_TRUE(decoder->Process(Bytes(""), 0, true, out.Sink()));
    EXPECT_TRUE(decoder->Finalize());
    EXPECT_EQ(out.pieces, (std::vector<std::string>{"abc", ""}));
}

TEST(StreamDecoderTest, AnyMethodOtherThanDeflateGivesTheStoredDecoder) {
    auto decoder = StreamDecoderInterface::CreateDecompressor(static_cast<CompressionMethod>(8));
    Pieces out;
    ASSERT_TRUE(decoder->Initialize());
    EXPECT_TRUE(decoder->Process(Bytes("raw"), 3, true, out.Sink()));
    EXPECT_EQ(out.Joined(), "raw");
}

TEST(StreamDecoderTest, DeflateOutputComesInPiecesOf1024BytesThenOneShorter) {
    std::string content;
    for (int index = 0; content.size() < 3000; ++index) {
        content += std::to_string(index * 7919) + ",";
    }
    content.resize(3000);
    const std::string compressed = ZipBuilder::Deflate(content);
    auto decoder = StreamDecoderInterface::CreateDecompressor(CompressionMethod::DEFLATE);
    Pieces out;
    ASSERT_TRUE(decoder->Initialize());

    EXPECT_TRUE(
        decoder->Process(Bytes(compressed), static_cast<std::int32_t>(compressed.size()), true, out.Sink()));
    EXPECT_TRUE(decoder->Finalize());

    ASSERT_EQ(out.pieces.size(), 3u);
    EXPECT_EQ(out.pieces[0].size(), 1024u);
    EXPECT_EQ(out.pieces[1].size(), 1024u);
    EXPECT_EQ(out.pieces[2].size(), 952u);
    EXPECT_EQ(out.Joined(), content);
}

TEST(StreamDecoderTest, DeflateFedInSmallChunksRebuildsTheContent) {
    const std::string content(5000, 'z');
    const std::string compressed = ZipBuilder::Deflate(content + "tail");
    auto decoder = StreamDecoderInterface::CreateDecompressor(CompressionMethod::DEFLATE);
    Pieces out;
    ASSERT_TRUE(decoder->Initialize());
    for (const bool accepted : Feed(*decoder, compressed, 3, out)) {
        EXPECT_TRUE(accepted);
    }
    EXPECT_EQ(out.Joined(), content + "tail");
}

TEST(StreamDecoderTest, DeflateStreamEndingBeforeTheLastChunkIsRejected) {
    const std::string compressed = ZipBuilder::Deflate("short") + "trailing bytes";
    auto decoder = StreamDecoderInterface::CreateDecompressor(CompressionMethod::DEFLATE);
    Pieces out;
    ASSERT_TRUE(decoder->Initialize());
    const auto whole = static_cast<std::int32_t>(compressed.size());
    EXPECT_FALSE(decoder->Process(Bytes(compressed), whole, false, out.Sink()));
}

TEST(StreamDecoderTest, CorruptDeflateDataIsRejected) {
    const std::string corrupt("\xFF\xFF\xFF\xFF\xFF\xFF", 6);
    auto decoder = StreamDecoderInterface::CreateDecompressor(CompressionMethod::DEFLATE);
    Pieces out;
    ASSERT_TRUE(decoder->Initialize());
    EXPECT_FALSE(decoder->Process(Bytes(corrupt), 6, true, out.Sink()));
}

TEST(StreamDecoderTest, DeflateStreamCutShortIsAcceptedChunkByChunk) {
    std::string content;
    for (int index = 0; index < 2000; ++index) {
        content += std::to_string(index);
    }
    const std::string compressed = ZipBuilder::Deflate(content);
    const std::string cut = compressed.substr(0, compressed.size() / 2);
    auto decoder = StreamDecoderInterface::CreateDecompressor(CompressionMethod::DEFLATE);
    Pieces out;
    ASSERT_TRUE(decoder->Initialize());
    for (const bool accepted : Feed(*decoder, cut, 128, out)) {
        EXPECT_TRUE(accepted);
    }
    EXPECT_LT(out.Joined().size(), content.size());
    EXPECT_TRUE(decoder->Finalize());
}

TEST(StreamDecoderTest, SinkErrorEndsProcessWithThatError) {
    const std::string compressed = ZipBuilder::Deflate("payload");
    auto decoder = StreamDecoderInterface::CreateDecompressor(CompressionMethod::DEFLATE);
    ASSERT_TRUE(decoder->Initialize());
    const auto throwing = [](const std::uint8_t*, std::uint32_t) { throw std::runtime_error("sink full"); };
    EXPECT_THROW(
        decoder->Process(Bytes(compressed), static_cast<std::int32_t>(compressed.size()), true, throwing),
        std::runtime_error);
}

}  // namespace
}  // namespace NuvraMobile
