#pragma once

#include <cstdint>

namespace NuvraMobile {

// HTTP status codes the modules act on.
namespace HttpConnectionConstants {
constexpr int32_t HTTP_OK = 200;
constexpr int32_t HTTP_NOT_FOUND = 404;
constexpr int32_t HTTP_CLIENT_TIMEOUT = 408;
constexpr int32_t HTTP_REQUESTED_RANGE_NOT_SATISFIABLE = 416;
constexpr int32_t HTTP_UNAVAILABLE = 503;
constexpr int32_t HTTP_GATEWAY_TIMEOUT = 504;
}  // namespace HttpConnectionConstants

// Standard request header names and values.
namespace HttpConnectionHeaderConstants {
constexpr char HTTP_HEADER_KEY_CONTENT_TYPE[] = "Content-Type";
constexpr char HTTP_HEADER_KEY_ACCEPT_LANGUAGE[] = "Accept-Language";
constexpr char HTTP_HEADER_KEY_ACCEPT[] = "Accept";
constexpr char HTTP_HEADER_CONTENT_TYPE_JSON_APPLICATION[] = "application/json";
constexpr char HTTP_HEADER_CONTENT_TYPE_WWW_FORM_URLENCODED[] = "application/x-www-form-urlencoded";
constexpr char HTTP_HEADER_ACCEPT_TEXT_HTML[] = "text/html";
}  // namespace HttpConnectionHeaderConstants

}  // namespace NuvraMobile
