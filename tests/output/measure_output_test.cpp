// Measures delivered as alerts, through the host object.
#include "output/measure_output.h"

#include "host/api/host.h"
#include "runtime/api.h"
#include "runtime/connection.h"

#include <gtest/gtest.h>

namespace {

class MeasureAlert : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(ClientConnect(&host_), 0); }
    void TearDown() override { ClientShutdown(); }
    lxhost::Host host_;
};

TEST_F(MeasureAlert, OneAlertPerMeasureWithItsBlankLines) {
    const ReadabilityCounts counts = {2, 3, 40, 1234, 5678, 4};
    struct Case {
        Measure measure;
        const char* alert;
    };
    const Case cases[] = {
        {MeasureCounts, "Total Paragraphs: 2\nTotal Sentences: 3\nTotal Words: 1,234\n"
                        "Total Characters: 5,678\n\nAverage Sentences per Paragraph: 1.5\n"
                        "Average Words per Sentence: 411.3\n\n"},
        {MeasureSmog, "SMOG Grade Level: 9.7\n"},
        {MeasureFog, "Gunning Fog Index: 164.7\n"},
    };
    for (const Case& c : cases) {
        ReportMeasure(c.measure, 0, counts, OutputAlert);
        ASSERT_FALSE(host_.record().alerts.empty());
        EXPECT_EQ(host_.record().alerts.back(), c.alert);
    }
    EXPECT_EQ(host_.record().alerts.size(), std::size(cases));
}

TEST_F(MeasureAlert, AnEmptyDocumentReportsNotAvailable) {
    AnalyzeDocument(0x01000001, MeasureFlesch, OutputAlert, 0);
    ASSERT_EQ(host_.record().alerts.size(), 1u);
    EXPECT_EQ(host_.record().alerts[0],
              "Flesch Reading Ease: n/a\nFlesch-Kincaid Grade Level: n/a\n");
}

} // namespace
