#pragma once
// Copies of a report through the binary store and through the XML form, for round-trip tests, and
// the text form of an object.

#include <memory>
#include <string>

class RDB_OBJECT;
class RDB_REPORT;

// The store's image of the report (a failure to write it fails the test).
std::string encode_report(RDB_REPORT& report);
// The report read back from an image; null when the store refuses it, with error (when given) saying
// why. With reseal set the image's checksums are renewed first, so that a changed byte reaches the
// validation of the fields instead of the checksum test.
std::unique_ptr<RDB_REPORT> decode_report(std::string image, std::string* error = nullptr, bool reseal = true);
// Why the store refuses a changed image (resealed first); an image it takes fails the test.
std::string refusal(std::string image);

// The XML document of a report, or the panel document of one object.
std::string xml_of(const RDB_REPORT& report);
std::string xml_of(const RDB_OBJECT& object);
// The report read from an XML document; null when the document is refused.
std::unique_ptr<RDB_REPORT> report_from_xml(const std::string& text);

// A report's copies through the store and through XML, each checked to write the same image and the
// same document as the report (a copy that cannot be made is null and fails the test).
struct REPORT_COPIES {
    std::string image;
    std::string xml;
    std::unique_ptr<RDB_REPORT> stored;
    std::unique_ptr<RDB_REPORT> read;
};
REPORT_COPIES copies_of(RDB_REPORT& report);

// The object's plain-text form.
std::string ascii_of(RDB_OBJECT& object);
