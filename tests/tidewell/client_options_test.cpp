// The program's own options and the start-up line left for the switches.
#include <gtest/gtest.h>

#include "tidewell/app/client_options.h"
#include "tidewell/app/startup_decision.h"

namespace {

TEST(ClientOptions, OwnOptionsAndTheirValuesStayOffTheStartupLine) {
  std::string error;
  const auto options = tidewell::ParseClientOptions(
      {"/opt/generated/tidewell", "--list-url", "http://x/leafline.tdu", "/undef", "--quiet",
       "--target", "/opt/GEN/", "--product", "Inkpot"},
      error);
  ASSERT_TRUE(options);
  EXPECT_TRUE(options->quiet);
  EXPECT_FALSE(options->applyPending);
  EXPECT_EQ("http://x/leafline.tdu", options->listUrl);
  EXPECT_EQ("/opt/GEN/", options->target);
  EXPECT_EQ("Inkpot", options->product);
  const std::string line = tidewell::StartupCommandLine(options->startupArgs);
  EXPECT_EQ("tidewell /undef", line);
  // The address holds /LEAFLINE and the target /GEN, yet the custom window is chosen.
  EXPECT_EQ(tidewell::StartupFace::CustomUpdate, tidewell::ChooseStartupFace(line).face);
}

TEST(ClientOptions, OptionWithoutItsValueIsRefused) {
  std::string error;
  EXPECT_FALSE(tidewell::ParseClientOptions({"tidewell", "/UNDEF", "--product"}, error));
  EXPECT_EQ("--product needs a value", error);
  const auto plain = tidewell::ParseClientOptions({"tidewell", "--apply-pending"}, error);
  ASSERT_TRUE(plain);
  EXPECT_TRUE(plain->applyPending);
  EXPECT_EQ(std::vector<std::string>{"tidewell"}, plain->startupArgs);
}

}  // namespace
