// The program's addresses on the web, kept in one place: the web site, its
// download page and the two mail addresses. The help pages name them through
// the placeholders %WEBSITE%, %DOWNLOAD% and %SUPPORT_MAIL%.
#pragma once

namespace plumavo::links {

inline constexpr const char* kWebSiteName = "Plumavo PRO Web Site";
inline constexpr const char* kWebSite = "https://www.plumavo.example/";
inline constexpr const char* kDownloadPage = "https://www.plumavo.example/download/";
inline constexpr const char* kSupportMail = "support@plumavo.example";
inline constexpr const char* kFeedbackMail = "feedback@plumavo.example";

}  // namespace plumavo::links
