// The one browser profile every page of the program shares: cookies, sign-in state and cache kept on
// disk between runs, like the user's own browser. Created with the first page, not at start-up.
#pragma once

#include "platform/browser/BrowserCookie.h"

#include <string>
#include <vector>

class QWebEngineProfile;

namespace platform {

// Where the profile keeps its files; takes effect only before the first page is created. Empty (the
// default) means the program's data folder.
void setBrowserProfileFolder(const std::string& folder);

// The shared profile, created on first use together with the browser engine. It belongs to the
// application object and lives until the program ends.
QWebEngineProfile& sharedBrowserProfile();

// The cookies of the shared profile as the profile has told them so far: those it kept from earlier runs
// (asked for once, when the profile is created) and every change since. None before the profile exists.
std::vector<BrowserCookie> profileCookies();

}  // namespace platform
