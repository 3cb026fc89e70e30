#pragma once
// Travel-time statistics over a handful of runs: the summary figures, the
// confidence interval of the mean and the number of runs a precision needs,
// percentiles, and two samples compared (Welch's t-test, the runs needed to
// detect a change). Nothing here returns NaN: what a sample cannot give is
// left empty.

#include <cstddef>
#include <optional>
#include <span>

namespace vtstats {

double mean(std::span<const double> xs);
double median(std::span<const double> xs);
// The p-quantile (0 <= p <= 1) interpolated linearly between the order
// statistics, at rank (n - 1) p: the definition of spreadsheets and NumPy.
// 0 for an empty sample.
double percentile(std::span<const double> xs, double p);
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
    double p80 = 0.0;
    double p95 = 0.0;
    std::optional<double> sd;
    std::optional<double> cvPct;
    std::optional<Interval> ci;
    std::optional<RunsNeeded> needed;
};

// All of the above for one sample; an empty sample gives n = 0 and zeros.
Description describe(std::span<const double> xs, double confidence, double errorPct);

// Two samples, before and after: the change of the mean, after - before.
struct Welch
{
    double t = 0.0;
    double df = 0.0; // Welch-Satterthwaite
    double p = 0.0;  // two-sided
    Interval change; // the confidence interval of the change
    bool significant = false;
};
// Welch's unequal-variance t-test from each side's size, mean and sample
// SD; nothing when a side has fewer than two values or neither side has any
// spread.
std::optional<Welch> welch(std::size_t n1, double mean1, double sd1, std::size_t n2, double mean2,
                           double sd2, double confidence);

// The variance of both sides pooled: ((n1 - 1) s1^2 + (n2 - 1) s2^2) /
// (n1 + n2 - 2).
double pooledVariance(std::size_t n1, double sd1, std::size_t n2, double sd2);

// The runs per side that detect a change `delta` of the mean with the given
// power in a two-sided test: the smallest n >= 2 with
// n >= 2 (t(1 - a/2, 2n - 2) + t(power, 2n - 2))^2 s_p^2 / delta^2.
// Nothing for a change that is not above zero.
std::optional<RunsNeeded> runsToDetect(double pooledVar, double delta, double confidence,
                                       double power, long long bound = 1'000'000);

// Fisher's exact test of the 2x2 table [[a, b], [c, d]] (e.g. arrivals on
// green and on red, before and after): the two-sided p-value, the sum of
// the probabilities of every table with the same margins that is no more
// likely than the one seen (the definition of R and SciPy). 1 for a table
// without two non-empty rows and columns.
double fisherExactTwoSided(long long a, long long b, long long c, long long d);

} // namespace vtstats
