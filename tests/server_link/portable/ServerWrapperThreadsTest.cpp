// A second browser thread gets a wrapper and a connection of its own.
//
// Portable build only for now: on Windows the stand-in server lives in the
// test's apartment, and reaching it from another thread needs its interface
// marshalled; the server program in its own process covers that case there.
#include <gtest/gtest.h>

#include <thread>

#include "band_hosting/RecordingBand.h"
#include "server_link/ServerWrapperUnit.h"
#include "standins/app_server/ArchiveServer.h"
#include "support/ComTest.h"

namespace {

class PlainToolBandForm : public vorn::TStowlyIEToolBandForm {
 public:
  explicit PlainToolBandForm(vorn::TIEBand* band) : TStowlyIEToolBandForm(band) {}
};

class ServerWrapperThreadsTest : public testing_support::ComTest {};

TEST_F(ServerWrapperThreadsTest, EachBrowserThreadHasItsOwnWrapperAndConnection) {
  auto server = standins::ArchiveServer::CreateWithSampleArchive();
  ASSERT_EQ(server->Register(), S_OK);
  {
    band_testing::BrowserWindow mine;
    ASSERT_TRUE(mine.AddBand<PlainToolBandForm>());
    vorn::TServerWrapper* myWrapper = vorn::ServerWrapper;
    ASSERT_NE(myWrapper, nullptr);

    vorn::TServerWrapper* theirs = nullptr;
    bool theirsConnected = false;
    size_t sinksMeanwhile = 0;
    std::thread([&] {
      band_testing::BrowserWindow other;
      if (other.AddBand<PlainToolBandForm>()) {
        theirs = vorn::ServerWrapper;
        theirsConnected = theirs && theirs->IsConnected();
        sinksMeanwhile = server->SinkCount();
      }
    }).join();
    EXPECT_NE(theirs, nullptr);
    EXPECT_NE(theirs, myWrapper);
    EXPECT_TRUE(theirsConnected);
    EXPECT_EQ(sinksMeanwhile, 2u) << "one advised sink per browser thread";
    EXPECT_EQ(server->SinkCount(), 1u) << "the other thread's sink left with its last toolband";
    EXPECT_EQ(vorn::ServerWrapper, myWrapper) << "this thread's wrapper is untouched";
  }
  EXPECT_EQ(server->SinkCount(), 0u);
  server->Revoke();
}

}  // namespace
