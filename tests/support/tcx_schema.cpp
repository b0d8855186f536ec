#include "tests/support/tcx_schema.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

void ExpectValidTcx(const std::filesystem::path& file) {
    const std::filesystem::path tcx = ZAN_TCX_SCHEMA_DIR "/TrainingCenterDatabase_v2.xsd";
    const std::filesystem::path extension = ZAN_TCX_CHECK_DIR "/ActivityExtensionv2.xsd";
    if (!std::filesystem::exists(tcx)) {
        ADD_FAILURE() << "The TCX schema is missing: run scripts/tcx-schema.sh on the build folder";
        return;
    }
    // One schema that takes in both namespaces, so the extension's elements are checked too.
    const std::filesystem::path both = file.string() + ".xsd";
    std::ofstream(both) << "<?xml version=\"1.0\"?>\n"
                           "<xsd:schema xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">\n"
                           "<xsd:import namespace=\"http://www.garmin.com/xmlschemas/"
                           "TrainingCenterDatabase/v2\" schemaLocation=\""
                        << tcx.string()
                        << "\"/>\n<xsd:import namespace=\"http://www.garmin.com/xmlschemas/"
                           "ActivityExtension/v2\" schemaLocation=\""
                        << extension.string() << "\"/>\n</xsd:schema>\n";
    const std::string command =
        "xmllint --noout --schema \"" + both.string() + "\" \"" + file.string() + "\" 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr) << "xmllint could not be started";
    std::string output;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    const int status = pclose(pipe);
    std::filesystem::remove(both);
    EXPECT_EQ(status, 0) << "xmllint (libxml2-utils) finds " << file << " invalid:\n" << output;
}
