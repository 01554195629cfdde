#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>
#include <typeinfo>
#include <vector>

#include "core/values/SdkError.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeSystemInfoService.h"
#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {
namespace {

const DebugInfo HERE("here.cpp", 12, "stack");

TEST(SdkErrorTest, DefaultIsEmpty) {
    const SdkError error;
    EXPECT_EQ("", error.GetCode());
    EXPECT_EQ("", error.GetMessage());
    EXPECT_FALSE(error.HasInner());
    EXPECT_EQ("", error.GetDebugInfo().file);
    EXPECT_EQ(-1, error.GetDebugInfo().lineNumber);
    EXPECT_EQ("", error.GetDebugInfo().stackTrace);
}

TEST(SdkErrorTest, InnerIsSharedAndReplacingDebugInfoKeepsTheRest) {
    const SdkError inner("json.key_not_found", "inner", DebugInfo());
    const SdkError outer("general.unexpected", "outer", inner, HERE);
    SdkError out("untouched", "", DebugInfo());
    EXPECT_FALSE(inner.GetInner(out));
    EXPECT_EQ("untouched", out.GetCode());
    ASSERT_TRUE(outer.GetInner(out));
    EXPECT_EQ("json.key_not_found", out.GetCode());

    const SdkError moved(outer, DebugInfo("other.cpp", 3, ""));
    EXPECT_EQ("general.unexpected", moved.GetCode());
    EXPECT_EQ("outer", moved.GetMessage());
    EXPECT_TRUE(moved.HasInner());
    EXPECT_EQ("other.cpp", moved.GetDebugInfo().file);
}

TEST(SdkErrorTest, CodeIs) {
    struct Case {
        std::string code;
        std::string prefix;
        bool expected;
    };
    const Case cases[] = {
        {"json.key_not_found", "json", true},
        {"json.key_not_found", "json.key_not_found", true},
        {"json.key_not_found", "js", false},
        {"json.key_not_found", "key_not_found", false},
        {"general.invalid_argument", "gen", false},
        {"general.invalid_argument", "general.invalid", false},
        {"json", "json.key", false},
        {"", "", true},
        {".x", "", true},
        {"x", "", false},
        {"jsonx", "json", false},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(testCase.expected, SdkError(testCase.code, "", DebugInfo()).CodeIs(testCase.prefix))
            << testCase.code << " / " << testCase.prefix;
    }
}

template <typename E>
std::exception_ptr Raised(E exception) {
    return std::make_exception_ptr(exception);
}

TEST(SdkErrorTest, FromStandardExceptions) {
    struct Case {
        std::exception_ptr exception;
        std::string code;
    };
    const std::vector<Case> cases = {
        {Raised(std::domain_error("m")), "std.logic_error.domain_error"},
        {Raised(std::invalid_argument("m")), "std.logic_error.invalid_argument"},
        {Raised(std::length_error("m")), "std.logic_error.length_error"},
        {Raised(std::out_of_range("m")), "std.logic_error.out_of_range"},
        {Raised(std::future_error(std::future_errc::no_state)), "std.logic_error.future_error"},
        {Raised(std::logic_error("m")), "std.logic_error"},
        {Raised(std::system_error(std::make_error_code(std::errc::io_error))),
         "std.runtime_error.system_error"},
        {Raised(std::range_error("m")), "std.runtime_error.range_error"},
        {Raised(std::overflow_error("m")), "std.runtime_error.overflow_error"},
        {Raised(std::underflow_error("m")), "std.runtime_error.underflow_error"},
        {Raised(std::runtime_error("m")), "std.runtime_error"},
        {Raised(std::bad_cast()), "std.bad_cast"},
        {Raised(std::bad_typeid()), "std.bad_typeid"},
        {Raised(std::bad_exception()), "std.bad_exception"},
        {Raised(std::bad_array_new_length()), "std.bad_alloc.bad_array_new_length"},
        {Raised(std::bad_alloc()), "std.bad_alloc"},
        {Raised(std::bad_weak_ptr()), "std.bad_weak_ptr"},
        {Raised(std::bad_function_call()), "std.bad_function_call"},
        {Raised(std::exception()), "std"},
    };
    for (const Case& testCase : cases) {
        const SdkError error = SdkError::From(testCase.exception, HERE);
        EXPECT_EQ(testCase.code, error.GetCode());
        EXPECT_EQ("here.cpp", error.GetDebugInfo().file);
        try {
            std::rethrow_exception(testCase.exception);
        } catch (const std::exception& exception) {
            EXPECT_EQ(exception.what(), error.GetMessage());
            EXPECT_EQ(testCase.code, SdkError::From(exception, HERE).GetCode());
        }
    }
}

TEST(SdkErrorTest, FromExceptionPtrOfOtherKinds) {
    const SdkError own("json.key_not_found", "own", DebugInfo("own.cpp", 1, ""));
    const SdkError same = SdkError::From(std::make_exception_ptr(own), HERE);
    EXPECT_EQ("json.key_not_found", same.GetCode());
    EXPECT_EQ("own.cpp", same.GetDebugInfo().file);

    for (const std::exception_ptr& foreign : {std::make_exception_ptr(42), std::exception_ptr()}) {
        const SdkError unknown = SdkError::From(foreign, HERE);
        EXPECT_EQ("general.unknown_exception", unknown.GetCode());
        EXPECT_EQ("An unknown exception occurred.", unknown.GetMessage());
        EXPECT_EQ("here.cpp", unknown.GetDebugInfo().file);
    }
}

TEST(SdkErrorTest, CompactRendering) {
    const SdkError plain("general.unexpected", "bad \"thing\"", DebugInfo());
    EXPECT_EQ(
        "{ class: \"SdkError\", code: \"general.unexpected\", message: \"bad \\\"thing\\\"\", debug_info: { "
        "class: "
        "\"DebugInfo\", file: \"\", line_number: -1, stack_trace: \"\" }, inner: null }",
        plain.ToString());

    const SdkError outer("a.b", "outer", SdkError("c", "inner", DebugInfo()), HERE);
    EXPECT_EQ(
        "{ class: \"SdkError\", code: \"a.b\", message: \"outer\", debug_info: { class: \"DebugInfo\", file: "
        "\"here.cpp\", line_number: 12, stack_trace: \"stack\" }, inner: { class: \"SdkError\", code: \"c\", "
        "message: \"inner\", debug_info: { class: \"DebugInfo\", file: \"\", line_number: -1, stack_trace: "
        "\"\" "
        "}, inner: null } }",
        outer.ToString());

    EXPECT_EQ("null", StringUtils::ToString(std::shared_ptr<SdkError>()));
    EXPECT_EQ(plain.ToString(), StringUtils::ToString(std::make_shared<SdkError>(plain)));
}

TEST(SdkErrorTest, MultiLineRendering) {
    EXPECT_EQ("Code: a.b\nMessage: m", SdkError("a.b", "m", DebugInfo()).ToString(ToStringOptions::Pretty()));
    EXPECT_EQ("Code: a\nMessage: m\nFile: f.cpp",
              SdkError("a", "m", DebugInfo("f.cpp", -1, "")).ToString(ToStringOptions::Pretty()));

    const SdkError inner("c", "inner", DebugInfo("g.cpp", 7, "s2"));
    const SdkError outer("a", "outer", inner, DebugInfo("f.cpp", 3, "s1"));
    EXPECT_EQ(
        "Code: a\nMessage: outer\nFile: f.cpp:3\nStack Trace: \ns1\nInner: \n"
        "Code: c\n    Message: inner\n    File: g.cpp:7\n    Stack Trace: \n    s2",
        outer.ToString(ToStringOptions::Pretty()));
}

TEST(SdkErrorTest, ThrowFunctions) {
    try {
        Throw("general.invalid_argument", "message");
    } catch (const SdkError& error) {
        EXPECT_EQ("general.invalid_argument", error.GetCode());
        EXPECT_EQ("", error.GetDebugInfo().file);
        EXPECT_EQ(-1, error.GetDebugInfo().lineNumber);
    }
    try {
        Throw("a", "b", SdkError("c", "d", DebugInfo()));
    } catch (const SdkError& error) {
        EXPECT_TRUE(error.HasInner());
    }
    EXPECT_THROW(Throw(SdkError("x", "y", HERE)), SdkError);
}

TEST(SdkErrorTest, CurrentDebugInfoRecordsCallerAndServiceStackTrace) {
    const DebugInfo withoutService = CurrentDebugInfo();
    EXPECT_NE(std::string::npos, withoutService.file.find("SdkErrorTest.cpp"));
    EXPECT_EQ(__LINE__ - 2, withoutService.lineNumber);
    EXPECT_EQ("", withoutService.stackTrace);

    auto service = std::make_shared<FakeSystemInfoService>();
    service->Update([](FakeSystemInfoService::Answers& answers) { answers.currentStackTrace = "\nframe"; });
    SystemInfoServiceInterface::SetCurrentService(service);
    EXPECT_EQ("\nframe", CurrentDebugInfo().stackTrace);
    EXPECT_EQ("\nframe", GetCurrentDebugInfoPrivate::GetCurrentStackTrace());
    SystemInfoServiceInterface::SetCurrentService(nullptr);
}

}  // namespace
}  // namespace NuvraMobile
