// The maker's web addresses besides the product and donation pages of the string table.
#pragma once

namespace resources {

constexpr const char* kMakerSite = "https://karvel.example/";
constexpr const char* kUpdatePage = "https://clipwave.karvel.example/update";
constexpr const char* kSupportAddress = "support@karvel.example";

}  // namespace resources
