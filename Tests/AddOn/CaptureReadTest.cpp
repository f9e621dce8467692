// A capture file that cannot be read whole, through the input/output library's cut reads: no server
// is needed, since a correct export fails before it connects; one that went on would report the
// failed connection too.

#include "AddOnFixture.hpp"
#include "Export.hpp"
#include "InputOutputHost.hpp"

#include <cstring>
#include <string>
#include <vector>

namespace {

class CaptureRead : public AddOnFixture, public testing::WithParamInterface<IO::Host::ReadEnd> {
protected:
    void TearDown() override {
        IO::Host::ResetReads();
        AddOnFixture::TearDown();
    }
};

// A read that breaks, or a file that ends before the length it had, is "Error read" and sends
// nothing: never a picture padded with zeros.
TEST_P(CaptureRead, ExportOfACaptureReadShortReportsAReadErrorAndSendsNothing) {
    std::vector<UInt8> linked(48, 0);
    std::memcpy(linked.data(), "0f3e2a1b-9c8d-4e7f-a6b5-c4d3e2f1a0b9", 36);
    host.StorePreferences(1, linked);
    host.viewPicture = std::string(3000, '\x7F');
    IO::Host::CutReads(1000, GetParam());
    ExportCurrentView();
    EXPECT_EQ(host.reports, std::vector<std::string>{"Error read: Unknown Error"});
}

INSTANTIATE_TEST_SUITE_P(EveryEnd, CaptureRead,
                         testing::Values(IO::Host::ReadEnd::EndOfFile, IO::Host::ReadEnd::Failure),
                         [](const testing::TestParamInfo<IO::Host::ReadEnd>& end) {
                             return end.param == IO::Host::ReadEnd::Failure ? "Failure" : "EndOfFile";
                         });

} // namespace
