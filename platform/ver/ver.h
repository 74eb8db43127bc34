#pragma once
// Version service: the product name and version texts printed in report banners and notices.

#include <string>

// The product name, e.g. in "Please use <product> to view ...".
const char* ver_get_pellam_product_name();
// The version text; detail 0 is the short form ("1.0.0"), detail 1 and above the full form with
// the build text ("Version 1.0.0 Build 1").
std::string ver_get_full_version(int detail);
// Replaces the product name and version texts for this process (tests and embedding programs); an
// empty text restores the default of that field.
void ver_set_product(const std::string& product_name, const std::string& version, const std::string& build);
