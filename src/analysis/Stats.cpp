// The statistics of a sample, on Boost.Math's Student's t.

#include "Stats.h"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <numeric>
#include <vector>

namespace vtstats {

namespace {

// The first n in lo..hi that is enough, where every n after an enough one
// is enough too and hi is: found by halving.
template <typename Enough> long long firstEnough(long long lo, long long hi, const Enough& enough)
{
    while (lo < hi) {
        const long long mid = lo + (hi - lo) / 2;
        if (enough(mid)) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

} // namespace

double mean(std::span<const double> xs)
{
    if (xs.empty()) {
        return 0.0;
    }
    return std::accumulate(xs.begin(), xs.end(), 0.0) / double(xs.size());
}

double median(std::span<const double> xs)
{
    if (xs.empty()) {
        return 0.0;
    }
    std::vector<double> v(xs.begin(), xs.end());
    std::sort(v.begin(), v.end());
    const std::size_t mid = v.size() / 2;
    return v.size() % 2 == 1 ? v[mid] : (v[mid - 1] + v[mid]) / 2.0;
}

double percentile(std::span<const double> xs, double p)
{
    if (xs.empty()) {
        return 0.0;
    }
    std::vector<double> v(xs.begin(), xs.end());
    std::sort(v.begin(), v.end());
    const double rank = std::clamp(p, 0.0, 1.0) * double(v.size() - 1);
    const auto below = std::size_t(std::floor(rank));
    const std::size_t above = std::min(below + 1, v.size() - 1);
    return v[below] + (rank - double(below)) * (v[above] - v[below]);
}

std::optional<double> sampleSd(std::span<const double> xs)
{
    if (xs.size() < 2) {
        return std::nullopt;
    }
    const double m = mean(xs);
    double squares = 0.0;
    for (double x : xs) {
        squares += (x - m) * (x - m);
    }
    return std::sqrt(squares / double(xs.size() - 1));
}

std::optional<double> cvPercent(double sd, double mean)
{
    if (!(mean > 0.0)) {
        return std::nullopt;
    }
    return 100.0 * sd / mean;
}

double tQuantile(double p, double df)
{
    return boost::math::quantile(boost::math::students_t_distribution<double>(df), p);
}

double tTwoSided(double confidence, double df)
{
    return tQuantile(1.0 - (1.0 - confidence) / 2.0, df);
}

std::optional<RunsNeeded> runsNeeded(double cvPct, double errorPct, double confidence,
                                     long long bound)
{
    if (!(errorPct > 0.0) || !(cvPct >= 0.0) || !std::isfinite(cvPct)) {
        return std::nullopt;
    }
    const auto enough = [&](long long n) {
        const double r = tTwoSided(confidence, double(n - 1)) * cvPct / errorPct;
        return double(n) >= r * r;
    };
    // n - (t(n-1) cv / e)^2 grows with n, since t falls as the degrees of
    // freedom rise: the first n that is enough is found by halving.
    if (!enough(bound)) {
        return RunsNeeded{bound, true};
    }
    // The range is narrowed first, as each t costs: below (z cv / e)^2 no n
    // is enough, t being above the normal z at every degree of freedom; and
    // n = (t(lo - 1) cv / e)^2 is enough, its own t being no larger.
    const double ratio = cvPct / errorPct;
    const double z = boost::math::quantile(boost::math::normal_distribution<double>(),
                                           1.0 - (1.0 - confidence) / 2.0);
    const double below = std::floor(z * z * ratio * ratio) - 1.0;
    long long lo = below < double(bound) ? std::max(2LL, static_cast<long long>(below)) : bound;
    const double r = tTwoSided(confidence, double(lo - 1)) * ratio;
    long long hi =
        r * r + 1.0 < double(bound) ? static_cast<long long>(std::ceil(r * r)) + 1 : bound;
    hi = std::max(hi, lo);
    if (!enough(hi)) {
        lo = hi; // rounding beyond the margins: the whole rest of the range
        hi = bound;
    }
    return RunsNeeded{firstEnough(lo, hi, enough), false};
}

Description describe(std::span<const double> xs, double confidence, double errorPct)
{
    Description d;
    d.n = xs.size();
    if (xs.empty()) {
        return d;
    }
    d.mean = mean(xs);
    d.median = median(xs);
    const auto [lo, hi] = std::minmax_element(xs.begin(), xs.end());
    d.min = *lo;
    d.max = *hi;
    d.p80 = percentile(xs, 0.80);
    d.p95 = percentile(xs, 0.95);
    d.sd = sampleSd(xs);
    if (d.sd) {
        const double half = tTwoSided(confidence, double(d.n - 1)) * *d.sd / std::sqrt(double(d.n));
        d.ci = Interval{d.mean - half, d.mean + half};
        d.cvPct = cvPercent(*d.sd, d.mean);
        if (d.cvPct) {
            d.needed = runsNeeded(*d.cvPct, errorPct, confidence);
        }
    }
    return d;
}

std::optional<Welch> welch(std::size_t n1, double mean1, double sd1, std::size_t n2, double mean2,
                           double sd2, double confidence)
{
    if (n1 < 2 || n2 < 2) {
        return std::nullopt;
    }
    const double v1 = sd1 * sd1 / double(n1);
    const double v2 = sd2 * sd2 / double(n2);
    const double se2 = v1 + v2;
    if (!(se2 > 0.0)) {
        return std::nullopt;
    }
    Welch w;
    const double change = mean2 - mean1;
    const double se = std::sqrt(se2);
    w.t = change / se;
    w.df = se2 * se2 / (v1 * v1 / double(n1 - 1) + v2 * v2 / double(n2 - 1));
    const boost::math::students_t_distribution<double> t(w.df);
    w.p = std::min(1.0, 2.0 * boost::math::cdf(boost::math::complement(t, std::fabs(w.t))));
    const double half = tTwoSided(confidence, w.df) * se;
    w.change = Interval{change - half, change + half};
    w.significant = w.p < 1.0 - confidence;
    return w;
}

double pooledVariance(std::size_t n1, double sd1, std::size_t n2, double sd2)
{
    const double dof = double(n1) + double(n2) - 2.0;
    if (!(dof > 0.0)) {
        return 0.0;
    }
    return ((double(n1) - 1.0) * sd1 * sd1 + (double(n2) - 1.0) * sd2 * sd2) / dof;
}

std::optional<RunsNeeded> runsToDetect(double pooledVar, double delta, double confidence,
                                       double power, long long bound)
{
    if (!(delta > 0.0) || !(pooledVar >= 0.0) || !std::isfinite(pooledVar)) {
        return std::nullopt;
    }
    const double ratio = pooledVar / (delta * delta);
    const auto enough = [&](long long n) {
        const double df = 2.0 * double(n) - 2.0;
        const double sum = tTwoSided(confidence, df) + tQuantile(power, df);
        return double(n) >= 2.0 * sum * sum * ratio;
    };
    // Both quantiles fall as the degrees of freedom rise, so n less the
    // bound grows with n: the first n that is enough is found by halving.
    if (!enough(bound)) {
        return RunsNeeded{bound, true};
    }
    long long lo = 2;
    long long hi = bound;
    return RunsNeeded{firstEnough(lo, hi, enough), false};
}

double fisherExactTwoSided(long long a, long long b, long long c, long long d)
{
    if (a < 0 || b < 0 || c < 0 || d < 0) {
        return 1.0;
    }
    const long long row1 = a + b;
    const long long col1 = a + c;
    const long long n = a + b + c + d;
    // log C(k, r) through lgamma: exact enough for tables of a few thousand.
    const auto logChoose = [](long long k, long long r) {
        return std::lgamma(double(k) + 1) - std::lgamma(double(r) + 1) -
               std::lgamma(double(k - r) + 1);
    };
    const double logAll = logChoose(n, col1);
    // The hypergeometric probability of x in the table's first cell.
    const auto logP = [&](long long x) {
        return logChoose(row1, x) + logChoose(n - row1, col1 - x) - logAll;
    };
    const long long lo = std::max(0LL, col1 - (n - row1));
    const long long hi = std::min(row1, col1);
    const double seen = logP(a);
    // Tables as likely as the one seen, but for rounding, count as no more likely.
    const double limit = seen + 1e-7;
    double p = 0.0;
    for (long long x = lo; x <= hi; ++x) {
        const double l = logP(x);
        if (l <= limit) {
            p += std::exp(l);
        }
    }
    return std::min(1.0, p);
}

} // namespace vtstats
