// SPDX-License-Identifier: GPL-3.0-or-later
// The fast paths give bit-identical results: the vectorised correlation sums
// against a plain evaluation, the moving nearest-mark index against a full
// scan, and the analysis and synthesis of speech against stored hashes (taken
// from runs that matched a plain whole-signal synthesis with a full scan per
// piece).
#include "Correlation.h"
#include "PitchAnalyzer.h"
#include "SlowVersion.h"

#include "TestSupport.h"

#include <array>
#include <cstring>
#include <tuple>

using namespace lectorio;
using namespace lectorio::testing;

namespace {

void PlainCorrelation(const float* x, int32_t n, int32_t lowLag, int32_t highLag, double* r) {
    for (int32_t lag = lowLag; lag <= highLag; ++lag) {
        double sum = 0.0;
        for (int32_t i = 0; i + lag < n; ++i)
            sum += static_cast<double>(x[i + lag]) * static_cast<double>(x[i]);
        r[lag - lowLag] = sum;
    }
}

} // namespace

TEST(Reference, CorrelationSumsAreBitIdentical) {
    // Frames of speech with the analysis' lag ranges, and ranges that start
    // at lag 0 or reach the frame's end.
    struct Range {
        int32_t n, low, high;
    };
    for (const auto& [rate, ranges] :
         {std::pair{8000, std::vector<Range>{{320, 20, 200}, {100, 0, 119}}},
          std::pair{44100, std::vector<Range>{{1764, 110, 1102}, {100, 70, 101}}},
          std::pair{48000, std::vector<Range>{{1920, 120, 1200}, {100, 99, 99}}}}) {
        const auto speech = SpeechLike(rate, 2.0, rate);
        for (const Range& r : ranges) {
            for (int64_t start = 0; start + r.n <= static_cast<int64_t>(speech.size()); start += 37 * r.n) {
                const std::vector<float> frame(speech.begin() + start, speech.begin() + start + r.n);
                std::vector<double> fast(r.high - r.low + 1), plain(r.high - r.low + 1);
                PlainCorrelation(frame.data(), r.n, r.low, r.high, plain.data());
                // Two lags side by side, either one the longer sum.
                const auto ab = CorrelationSumPair(frame.data(), r.low, frame.data(), r.high, r.n);
                const auto ba = CorrelationSumPair(frame.data(), r.high, frame.data(), r.low, r.n);
                ASSERT_EQ(
                    (std::array{ab.first, ab.second, ba.first, ba.second,
                                CorrelationSum(frame.data(), r.n, r.low)}),
                    (std::array{plain.front(), plain.back(), plain.back(), plain.front(), plain.front()}));
                for (int kernel = 0; kernel < CorrelationKernelCount(); ++kernel) {
                    CorrelationSums(frame.data(), r.n, r.low, r.high, fast.data(), kernel);
                    ASSERT_EQ(std::memcmp(fast.data(), plain.data(), fast.size() * sizeof(double)), 0)
                        << rate << " Hz, frame at " << start << ", kernel " << kernel;
                }
            }
        }
    }
}

TEST(Reference, FourierSumsStayWithinTheirBoundAndFindTheLagOfTheFullSums) {
    for (const int32_t rate : {500, 8000, 11025, 16000, 44100}) {
        PitchAnalyzer fast, full;
        PrepareAt(fast, rate);
        PrepareAt(full, rate);
        full.fullCorrelation = true;
        const int32_t n = fast.frameLength, low = fast.minimumLag, high = rate / 40;
        const auto speech = SpeechLike(rate, 1.0, rate + 1);
        std::vector<std::vector<float>> frames(4, std::vector<float>(n, 0.0f)); // zeros, a tie, two ends
        // A tie: lags 2 low and 3 low have the largest sum (the mean is 0), and the first wins.
        frames[1][0] = frames[1][2 * low] = 9000.0f;
        frames[1][6 * low] = frames[1][9 * low] = -9000.0f;
        for (int32_t i = 0; i < n; i += low)
            frames[2][i] = 9000.0f;
        for (int32_t i = 3; i < n; i += high)
            frames[3][i] = 9000.0f;
        for (size_t start = 0; start + n <= speech.size(); start += 3 * n)
            frames.emplace_back(speech.begin() + start, speech.begin() + start + n);
        FourierCorrelation fourier(n, high);
        std::vector<double> approximate(high - low + 1), exact(high - low + 1), work(fourier.WorkSize());
        for (std::vector<float>& x : frames) {
            std::vector<float> copy = x;
            const FrameMeasure a = fast.MeasureFrame(x.data()), b = full.MeasureFrame(copy.data());
            ASSERT_EQ(std::tie(a.bestLag, a.voicing, a.energy), std::tie(b.bestLag, b.voicing, b.energy));
            fourier.Sums(x.data(), low, high, approximate.data(), work.data());
            CorrelationSums(x.data(), n, low, high, exact.data());
            for (size_t k = 0; k < exact.size(); ++k)
                ASSERT_LE(std::fabs(approximate[k] - exact[k]), FourierCorrelation::kError * a.energy) << k;
        }
        EXPECT_EQ(fast.MeasureFrame(frames[1].data()).bestLag, 2 * low);
    }
    // Twice the size where the direct sums of the lags above m - n would cost more.
    EXPECT_EQ((std::pair{FourierCorrelation(113, 96).WorkSize(), FourierCorrelation(128, 43).WorkSize()}),
              (std::pair<size_t, size_t>{512, 256}));
}

TEST(Reference, WindowsAreThoseOfThePlainFormula) {
    for (int64_t length = 1; length <= 6000; length += length < 300 ? 1 : 97) {
        std::vector<float> w(static_cast<size_t>(length));
        MakeWindow(w.data(), length);
        for (int64_t i = 0; i < length; ++i)
            ASSERT_EQ(w[i],
                      static_cast<float>(0.5 * (1.0 - std::cos((static_cast<double>(6.2831855f) * (i + 1)) /
                                                               static_cast<double>(length + 1)))))
                << length << " " << i;
    }
}

TEST(Reference, MovingIndexFindsTheMarkOfAFullScan) {
    std::mt19937 random(11);
    for (const double factor : {0.1, 0.13, 0.3, 0.5, 0.7, 1.0, 12 * 0.1, 2.0, 3.3, 10.0}) {
        std::vector<int64_t> marks(1, 0);
        for (int i = 0; i < 1200; ++i)
            marks.push_back(marks.back() + 1 + random() % (i % 3 == 0 ? 3 : 200));
        NearestMarkSearch search(marks, factor);
        for (int64_t t = 0; t < static_cast<int64_t>(marks.back() * factor) + 50; t += 1 + random() % 40) {
            int64_t expected = 0;
            double nearest = 1e300;
            for (size_t a = 0; a < marks.size(); ++a) {
                const double d = std::fabs(std::trunc(marks[a] * factor - t));
                if (d < nearest) {
                    nearest = d;
                    expected = static_cast<int64_t>(a);
                }
            }
            ASSERT_EQ(search.Find(t), expected) << "factor " << factor << " t " << t;
        }
    }
}

// Three seconds of speech at three rates: the track (on one to three
// threads) and the copies at eight factors.
TEST(Reference, AnalysisAndSynthesisOfSpeechAreKnown) {
    const struct {
        uint32_t rate;
        uint64_t track, copies;
    } cases[] = {{8000, 17808619689030254126ull, 11780855484360139531ull},
                 {16000, 8859881830491320515ull, 6440556135775866861ull},
                 {44100, 13511561687569603326ull, 10674103097142080748ull}};
    for (const auto& c : cases) {
        const auto speech = SpeechLike(c.rate, 3.0, 100 + c.rate);
        PitchTrack track;
        for (const int threads : {1, 2, 3}) {
            track = TrackOf(speech, static_cast<int32_t>(c.rate), threads);
            EXPECT_EQ(Fnv1a(track.values.data(), track.values.size() * 4), c.track) << c.rate << " Hz";
        }
        PitchMarks marks;
        ASSERT_TRUE(PlaceMarks(track, static_cast<int64_t>(speech.size()), marks));
        uint64_t copies = Fnv1a(nullptr, 0);
        for (const double factor : {0.25, 0.5, 0.7, 1.0, 12 * 0.1, 1.5, 2.0, 4.0}) {
            const auto copy = StretchSamples(speech, marks, factor);
            copies = Fnv1a(copy.data(), copy.size() * 2, copies);
        }
        EXPECT_EQ(copies, c.copies) << c.rate << " Hz";
        EXPECT_TRUE(StretchSamples(speech, marks, 2.0, [] { return true; }).empty());
    }
}
