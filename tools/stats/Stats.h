#pragma once
// Travel-time statistics over a handful of runs: the summary figures, the
// confidence interval of the mean and the number of runs a precision needs.
// Nothing here returns NaN: what a sample cannot give is left empty.

#include <cstddef>
#include <optional>
#include <span>

namespace vtstats {

double mean(std::span<const double> xs);
double median(std::span<const double> xs);
// n - 1 in the denominator; nothing for fewer than two values.
std::optional<double> sampleSd(std::span<const double> xs);
// In percent of the mean; nothing for a mean that is not above zero.
std::optional<double> cvPercent(double sd, double mean);

// Student's t quantile: P(T <= t) = p with `df` degrees of freedom (df > 0,
// 0 < p < 1).
double tQuantile(double p, double df);
// The t that leaves (1 - confidence) / 2 in each tail.
double tTwoSided(double confidence, double df);

struct Interval
{
    double low = 0.0;
    double high = 0.0;
};

struct RunsNeeded
{
    long long n = 0;
    // No n up to the bound was enough; `n` is the bound.
    bool capped = false;
};

// The smallest n >= 2 with n >= (t * cv / e)^2, t at n - 1 degrees of
// freedom. Nothing for a precision that is not above zero.
std::optional<RunsNeeded> runsNeeded(double cvPct, double errorPct, double confidence,
                                     long long bound = 1'000'000);

struct Description
{
    std::size_t n = 0;
    double mean = 0.0;
    double median = 0.0;
    double min = 0.0;
    double max = 0.0;
    std::optional<double> sd;
    std::optional<double> cvPct;
    std::optional<Interval> ci;
    std::optional<RunsNeeded> needed;
};

// All of the above for one sample; an empty sample gives n = 0 and zeros.
Description describe(std::span<const double> xs, double confidence, double errorPct);

} // namespace vtstats
