#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/values/SdkError.h"
#include "shared/UrlBuilder.h"

namespace NuvraMobile {
namespace {

TEST(UrlBuilderTest, BuildsTheEncodedUrl) {
    UrlBuilder builder;
    builder.EnableSsl(true)
        .SetHost("Api.Example.COM")
        .AddPath("a b")
        .AddPath("")
        .AddPath("c d")
        .AddQueryParameter("k", "v w");
    EXPECT_EQ(builder.Build(), "https://api.example.com/a%20b/c%20d?k=v%20w");
}

TEST(UrlBuilderTest, HostAloneGivesNoSlashAndNoQuestionMark) {
    EXPECT_EQ(UrlBuilder().SetHost("example.com").Build(), "http://example.com");
}

TEST(UrlBuilderTest, QueryPiecesJoinInOrder) {
    UrlBuilder builder;
    builder.SetHost("example.com")
        .AddQueryParameter("z", "1")
        .AddQueryParameter("empty", "")
        .AddQueryParameter("", "value")
        .AddQueryParameters({{"b", "2"}, {"a", "x&y"}})
        .AddQuery("p=1&q=2", UrlBuilder::EncodeType::NONE)
        .AddQuery("r s")
        .AddQuery("");
    EXPECT_EQ(builder.Build(), "http://example.com?z=1&a=x%26y&b=2&p=1&q=2&r%20s");
}

TEST(UrlBuilderTest, UnacceptableUrlsBuildEmpty) {
    for (const char* host : {"", "bad host", "192.168.1.1", "example.com:1"}) {
        EXPECT_EQ(UrlBuilder().EnableSsl(true).SetHost(host).Build(), "") << host;
    }
    EXPECT_EQ(UrlBuilder().SetHost("example.com:8080").AddPath("p").Build(), "http://example.com:8080/p");
}

TEST(UrlBuilderTest, EveryCallAfterBuildThrows) {
    UrlBuilder builder;
    builder.Build();
    const auto expectUnexpected = [](const std::function<void()>& call) {
        try {
            call();
            ADD_FAILURE() << "no error";
        } catch (const SdkError& error) {
            EXPECT_EQ(error.GetCode(), "general.unexpected");
            EXPECT_EQ(error.GetMessage(), "attempted to call methods on UrlBuilder after Build() was called");
        }
    };
    expectUnexpected([&] { builder.Build(); });
    expectUnexpected([&] { builder.SetHost("example.com"); });
    expectUnexpected([&] { builder.AddQuery("a"); });
    expectUnexpected([&] { builder.EnableSsl(true); });
}

}  // namespace
}  // namespace NuvraMobile
