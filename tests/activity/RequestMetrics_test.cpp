#include "activity/RequestMetrics.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <thread>
#include <vector>

namespace fieldsync {
namespace {

// The samples of the text, by name with labels.
std::map<std::string, std::string> Samples(const std::string& text) {
  std::map<std::string, std::string> samples;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t blank = line.rfind(' ');
    samples[line.substr(0, blank)] = line.substr(blank + 1);
  }
  return samples;
}

TEST(RequestMetrics, CountsByMethodAndStatus) {
  TRequestMetrics metrics;
  metrics.Observe("EchoString", 200, 10);
  metrics.Observe("EchoString", 200, 10);
  metrics.Observe("EchoString", 500, 10);
  metrics.Observe("(none)", 302, 10);
  EXPECT_EQ(metrics.Count("EchoString", 200), 2u);
  EXPECT_EQ(metrics.Count("EchoString", 500), 1u);
  EXPECT_EQ(metrics.Count("EchoString", 404), 0u);
  EXPECT_EQ(metrics.Count("GetProduto", 200), 0u);

  std::string text;
  metrics.WritePrometheus(text);
  const auto samples = Samples(text);
  EXPECT_EQ(samples.at("fieldsync_requests_total{method=\"EchoString\",status=\"200\"}"), "2");
  EXPECT_EQ(samples.at("fieldsync_requests_total{method=\"EchoString\",status=\"500\"}"), "1");
  EXPECT_EQ(samples.at("fieldsync_requests_total{method=\"(none)\",status=\"302\"}"), "1");
  EXPECT_EQ(samples.at("fieldsync_request_duration_seconds_count{method=\"EchoString\"}"), "3");
  EXPECT_EQ(samples.at("fieldsync_request_duration_seconds_sum{method=\"EchoString\"}"), "0.000030");
}

TEST(RequestMetrics, ADurationOnABoundGoesIntoThatBucket) {
  struct TCase {
    int64_t DurationUs;
    const char* FirstBucket;  // the smallest "le" that counts it
  };
  const TCase cases[] = {
      {0, "0.001"},      {1000, "0.001"},   {1001, "0.0025"}, {2500, "0.0025"},
      {999999, "1"},     {1000000, "1"},    {60000000, "60"}, {60000001, "+Inf"},
      {-5, "0.001"},
  };
  for (const auto& c : cases) {
    TRequestMetrics metrics;
    metrics.Observe("m", 200, c.DurationUs);
    std::string text;
    metrics.WritePrometheus(text);
    const auto samples = Samples(text);
    std::string previous = "0";
    std::string first;
    for (const char* le : {"0.001", "0.0025", "0.005", "0.01", "0.025", "0.05", "0.1", "0.25", "0.5", "1", "2.5",
                           "5", "10", "30", "60", "+Inf"}) {
      const std::string value =
          samples.at(std::string("fieldsync_request_duration_seconds_bucket{method=\"m\",le=\"") + le + "\"}");
      if (first.empty() && value == "1") first = le;
      EXPECT_GE(std::stoi(value), std::stoi(previous)) << "buckets are cumulative";
      previous = value;
    }
    EXPECT_EQ(first, c.FirstBucket) << c.DurationUs;
  }
}

TEST(RequestMetrics, BoundsItsRowsAndStatuses) {
  TRequestMetrics metrics;
  for (size_t i = 0; i < TRequestMetrics::MaxRows + 10; ++i) metrics.Observe("m" + std::to_string(i), 200, 1);
  EXPECT_EQ(metrics.Count(TRequestMetrics::OverflowLabel, 200), 10u);
  EXPECT_EQ(metrics.Count("m0", 200), 1u);

  TRequestMetrics statuses;
  for (int status = 100; status < 100 + static_cast<int>(TRequestMetrics::MaxStatuses) + 3; ++status)
    statuses.Observe("statuses", status, 1);
  EXPECT_EQ(statuses.Count("statuses", 100), 1u);
  std::string text;
  statuses.WritePrometheus(text);
  EXPECT_EQ(Samples(text).at("fieldsync_requests_total{method=\"statuses\",status=\"other\"}"), "3");
}

TEST(RequestMetrics, EscapesLabelValues) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "plain"}, {"a\"b", "a\\\"b"}, {"a\\b", "a\\\\b"}, {"a\nb", "a\\nb"}};
  for (const auto& [raw, escaped] : cases) EXPECT_EQ(PrometheusLabelValue(raw), escaped);
}

TEST(RequestMetrics, CountsEveryRequestOfThreadsAtOnce) {
  TRequestMetrics metrics;
  constexpr int Threads = 4, PerThread = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t)
    threads.emplace_back([&metrics, t] {
      for (int i = 0; i < PerThread; ++i) metrics.Observe(i % 2 ? "odd" : "even" + std::to_string(i % 7), 200 + t, i);
    });
  for (auto& thread : threads) thread.join();
  uint64_t total = 0;
  for (int t = 0; t < Threads; ++t) {
    total += metrics.Count("odd", 200 + t);
    for (int k = 0; k < 7; ++k) total += metrics.Count("even" + std::to_string(k), 200 + t);
  }
  EXPECT_EQ(total, static_cast<uint64_t>(Threads * PerThread));
}

}  // namespace
}  // namespace fieldsync
