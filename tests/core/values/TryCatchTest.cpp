#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/values/SdkError.h"
#include "support/CapturingLoggingService.h"
#include "util/Log.h"

namespace NuvraMobile {
namespace {

// Records the order in which the parts of a guarded call ran.
struct Trail {
    std::vector<std::string> steps;
    std::function<void()> Step(const std::string& name) {
        return [this, name] { steps.push_back(name); };
    }
};

SdkError CaughtBy(const std::function<void()>& tryFunction) {
    SdkError caught;
    TryCatch(tryFunction, [&](SdkError& error) { caught = error; });
    return caught;
}

TEST(TryCatchTest, ConvertsWhateverIsThrown) {
    struct Case {
        std::function<void()> thrower;
        std::string code;
        std::string message;
    };
    const std::vector<Case> cases = {
        {[] { throw SdkError("json.key_not_found", "own", DebugInfo("own.cpp", 5, "")); },
         "json.key_not_found", "own"},
        {[] { throw std::out_of_range("range"); }, "std.logic_error.out_of_range", "range"},
        {[] { throw 42; }, "general.unknown_exception", "An unknown exception occurred."},
        {[] { throw std::string("text"); }, "general.unknown_exception", "An unknown exception occurred."},
    };
    for (const Case& testCase : cases) {
        const SdkError caught = CaughtBy(testCase.thrower);
        EXPECT_EQ(testCase.code, caught.GetCode());
        EXPECT_EQ(testCase.message, caught.GetMessage());
    }
    EXPECT_EQ("own.cpp", CaughtBy(cases[0].thrower).GetDebugInfo().file);
    EXPECT_NE("", CaughtBy(cases[1].thrower).GetDebugInfo().file);
}

TEST(TryCatchTest, NormalReturnSkipsTheCatchFunction) {
    bool caught = false;
    TryCatch([] {}, [&](SdkError&) { caught = true; });
    EXPECT_FALSE(caught);
}

TEST(TryCatchTest, CatchFunctionExceptionReachesCaller) {
    EXPECT_THROW(TryCatch([] { throw 1; }, [](SdkError&) { throw std::runtime_error("from catch"); }),
                 std::runtime_error);
    // The catch function may re-raise the original exception unchanged.
    EXPECT_THROW(TryCatch([] { throw std::logic_error("x"); }, [](SdkError&) { throw; }), std::logic_error);
}

TEST(TryCatchTest, TraceLineOnlyAtTraceLevel) {
    {
        ScopedCapturingLog log(LoggingMode::Debug);
        CaughtBy([] { throw 1; });
        EXPECT_TRUE(log.Service().GetLines().empty());
    }
    ScopedCapturingLog log(LoggingMode::Trace);
    CaughtBy([] { throw SdkError("a.b", "m", DebugInfo()); });
    const auto lines = log.Service().GetLines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("SdkError", lines[0].tag);
    EXPECT_EQ("TryCatch caught exception: Code: a.b\nMessage: m", lines[0].message);
}

TEST(TrySwallowTest, SwallowsAndLogsAtTraceLevel) {
    ScopedCapturingLog log(LoggingMode::Trace);
    TrySwallow([] { throw SdkError("a.b", "m", DebugInfo()); });
    EXPECT_EQ((std::vector<std::string>{"TryCatch caught exception: Code: a.b\nMessage: m",
                                        "Swallowed exception: Code: a.b\nMessage: m"}),
              log.Service().GetMessages());
}

// A logging service that fails on every line.
class ThrowingLoggingService : public Object, public virtual LoggingServiceInterface {
public:
    void Debug(const std::string&, const std::string&) const override { throw std::runtime_error("debug"); }
    void Warning(const std::string&, const std::string&) const override {
        throw std::runtime_error("warning");
    }
    void Error(const std::string&, const std::string&) const override { throw std::runtime_error("error"); }
    void Trace(const std::string&, const std::string&) const override { throw std::runtime_error("trace"); }
};

TEST(TrySwallowTest, FailingLoggingNeverEscapesNorHidesTheError) {
    Log::SetLoggingService(std::make_shared<ThrowingLoggingService>());
    Log::SetLogLevel(LoggingMode::Trace);
    EXPECT_NO_THROW(TrySwallow([] { throw 1; }));
    EXPECT_EQ("std.logic_error", CaughtBy([] { throw std::logic_error("x"); }).GetCode());
    Log::SetLoggingService(nullptr);
}

TEST(TryFinallyTest, FinallyAlwaysRunsAndTheTryExceptionIsReraised) {
    Trail trail;
    TryFinally(trail.Step("try"), trail.Step("finally"));
    EXPECT_EQ((std::vector<std::string>{"try", "finally"}), trail.steps);

    trail.steps.clear();
    EXPECT_THROW(TryFinally(
                     [&] {
                         trail.steps.push_back("try");
                         throw std::out_of_range("x");
                     },
                     trail.Step("finally")),
                 std::out_of_range);
    EXPECT_EQ((std::vector<std::string>{"try", "finally"}), trail.steps);
}

TEST(TryFinallyTest, FinallyExceptionReplacesTheTryException) {
    EXPECT_THROW(
        TryFinally([] { throw std::out_of_range("try"); }, [] { throw std::length_error("finally"); }),
        std::length_error);
}

TEST(TryCatchFinallyTest, OrderAndRethrowOfTheCatchException) {
    Trail trail;
    TryCatchFinally(
        [&] {
            trail.steps.push_back("try");
            throw 1;
        },
        [&](SdkError&) { trail.steps.push_back("catch"); }, trail.Step("finally"));
    EXPECT_EQ((std::vector<std::string>{"try", "catch", "finally"}), trail.steps);

    trail.steps.clear();
    EXPECT_THROW(TryCatchFinally([] { throw 1; },
                                 [&](SdkError& error) {
                                     trail.steps.push_back("catch");
                                     throw error;
                                 },
                                 trail.Step("finally")),
                 SdkError);
    EXPECT_EQ((std::vector<std::string>{"catch", "finally"}), trail.steps);
}

}  // namespace
}  // namespace NuvraMobile
