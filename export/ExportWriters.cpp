// SPDX-License-Identifier: GPL-3.0-or-later
// The six export formats, written from a TimedTranscript.
#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "Export.h"

namespace lectorio {

namespace {

// "HH:MM:SS" and the milliseconds after `separator`.
std::string ClockTime(int64_t ms, char separator) {
    char text[48];
    std::snprintf(text, sizeof text, "%02" PRId64 ":%02" PRId64 ":%02" PRId64 "%c%03" PRId64, ms / 3600000,
                  ms / 60000 % 60, ms / 1000 % 60, separator, ms % 1000);
    return text;
}

// Seconds with six decimals.
std::string Seconds(int64_t us) {
    char text[32];
    std::snprintf(text, sizeof text, "%" PRId64 ".%06" PRId64, us / 1000000, us % 1000000);
    return text;
}

std::string Replace(std::string text, char from, const char* to) {
    std::string out;
    for (char c : text)
        out += c == from ? std::string(to) : std::string(1, c);
    return out;
}

std::string Escape(const std::string& text, bool quotes) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += quotes ? "&quot;" : "\"";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// `a` and `b` with `separator` between them when both are not empty.
std::string Joined(const std::string& a, const std::string& b, const char* separator) {
    return a.empty() || b.empty() ? a + b : a + separator + b;
}

// The turns one per line, each with its label when `label` says so.
template <typename LabelRule> std::string TurnLines(const TimedSegment& segment, LabelRule label) {
    std::string text;
    for (const SpeakerTurn& turn : segment.turns)
        text = Joined(text, (label(turn) ? turn.speaker + ": " : std::string()) + turn.text, "\n");
    return text;
}

std::string TypedText(const TimedSegment& segment) {
    return TurnLines(segment, [](const SpeakerTurn& turn) { return turn.labelled; });
}

std::string Subtitles(const TimedTranscript& t, bool webVtt) {
    std::string out = webVtt ? "WEBVTT\n\n" : "";
    int cue = 0;
    for (const TimedSegment& s : t.segments) {
        if (s.turns.empty())
            continue;
        const char separator = webVtt ? '.' : ',';
        if (!webVtt)
            out += std::to_string(++cue) + "\n";
        out += ClockTime(SampleTime(s.startSample, t.sampleRate, 1000), separator) + " --> " +
               ClockTime(SampleTime(s.endSample, t.sampleRate, 1000), separator) + "\n";
        out += (webVtt ? Escape(TypedText(s), false) : TypedText(s)) + "\n\n";
    }
    return out;
}

std::string AudacityLabels(const TimedTranscript& t) {
    std::string out;
    for (const TimedSegment& s : t.segments)
        if (!s.turns.empty())
            out += Seconds(SampleTime(s.startSample, t.sampleRate, 1000000)) + "\t" +
                   Seconds(SampleTime(s.endSample, t.sampleRate, 1000000)) + "\t" +
                   Replace(TypedText(s), '\n', " ") + "\n";
    return out;
}

std::string CsvField(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    return "\"" + Replace(field, '"', "\"\"") + "\"";
}

std::string Csv(const TimedTranscript& t) {
    std::string out = "segment,start,end,speaker,text\r\n";
    for (const TimedSegment& s : t.segments) {
        const std::string times = "," + Seconds(SampleTime(s.startSample, t.sampleRate, 1000000)) + "," +
                                  Seconds(SampleTime(s.endSample, t.sampleRate, 1000000)) + ",";
        if (s.turns.empty())
            out += std::to_string(s.number) + times + ",\r\n";
        for (const SpeakerTurn& turn : s.turns)
            out += std::to_string(s.number) + times + CsvField(turn.speaker) + "," + CsvField(turn.text) +
                   "\r\n";
    }
    return out;
}

std::string SpeakerList(const std::vector<std::string>& speakers) {
    std::string list;
    for (const std::string& speaker : speakers)
        list = Joined(list, speaker, ", ");
    return list;
}

struct Interval {
    int64_t startUs = 0;
    int64_t endUs = 0;
    std::string text;
    std::vector<std::string> speakers;
};

std::string PraatString(const std::string& text) {
    return "\"" + Replace(text, '"', "\"\"") + "\"";
}

std::string TextGrid(const TimedTranscript& t) {
    std::vector<Interval> intervals;
    Interval pending; // text of intervals without length before the first one
    for (const TimedSegment& s : t.segments) {
        const int64_t start = SampleTime(s.startSample, t.sampleRate, 1000000);
        const int64_t end = SampleTime(s.endSample, t.sampleRate, 1000000);
        // Praat drops an interval without length, so its text joins a neighbour.
        Interval& into = end > start || intervals.empty() ? pending : intervals.back();
        into.text = Joined(
            into.text,
            TurnLines(s,
                      [&](const SpeakerTurn& turn) { return s.turns.size() > 1 && !turn.speaker.empty(); }),
            "\n");
        for (const SpeakerTurn& turn : s.turns)
            if (!turn.speaker.empty() &&
                std::find(into.speakers.begin(), into.speakers.end(), turn.speaker) == into.speakers.end())
                into.speakers.push_back(turn.speaker);
        if (end > start) {
            intervals.push_back({start, end, std::move(pending.text), std::move(pending.speakers)});
            pending = {};
        }
    }
    const std::string xmax = Seconds(intervals.empty() ? 0 : intervals.back().endUs);
    std::string out = "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n\nxmin = 0 \nxmax = " + xmax +
                      " \ntiers? <exists> \nsize = 2 \nitem []: \n";
    for (int tier = 1; tier <= 2; ++tier) {
        out +=
            "    item [" + std::to_string(tier) + "]:\n        class = \"IntervalTier\" \n        name = " +
            (tier == 1 ? "\"transcript\"" : "\"speaker\"") + " \n        xmin = 0 \n        xmax = " + xmax +
            " \n        intervals: size = " + std::to_string(intervals.size()) + " \n";
        for (size_t i = 0; i < intervals.size(); ++i) {
            const Interval& v = intervals[i];
            out +=
                "        intervals [" + std::to_string(i + 1) +
                "]:\n            xmin = " + Seconds(v.startUs) + " \n            xmax = " + Seconds(v.endUs) +
                " \n            text = " + PraatString(tier == 1 ? v.text : SpeakerList(v.speakers)) + " \n";
        }
    }
    return out;
}

// A file URL: bytes other than letters, digits, "-._~/" percent-encoded.
std::string FileUrl(const std::string& path) {
    std::string url = "file://";
    for (char c : path) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~' || c == '/') {
            url += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", b);
            url += hex;
        }
    }
    return url;
}

std::string Eaf(const TimedTranscript& t) {
    const auto tierOf = [](const SpeakerTurn& turn) {
        return turn.speaker.empty() ? std::string("Transcript") : turn.speaker;
    };
    std::vector<std::pair<std::string, std::string>> tiers; // id, participant
    for (const TimedSegment& s : t.segments)
        for (const SpeakerTurn& turn : s.turns) {
            const std::string id = tierOf(turn);
            bool known = false;
            for (const auto& tier : tiers)
                known = known || tier.first == id;
            if (!known)
                tiers.emplace_back(id, turn.speaker);
        }
    if (tiers.empty())
        tiers.emplace_back("Transcript", "");

    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<ANNOTATION_DOCUMENT AUTHOR=\"\" DATE=\"" +
                      t.date +
                      "\" FORMAT=\"3.0\" VERSION=\"3.0\" "
                      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                      "xsi:noNamespaceSchemaLocation=\"http://www.mpi.nl/tools/elan/EAFv3.0.xsd\">\n"
                      "    <HEADER MEDIA_FILE=\"\" TIME_UNITS=\"milliseconds\">\n";
    if (!t.mediaPath.empty())
        out += "        <MEDIA_DESCRIPTOR MEDIA_URL=\"" + Escape(FileUrl(t.mediaPath), true) +
               "\" MIME_TYPE=\"audio/x-wav\"/>\n";
    out += "    </HEADER>\n    <TIME_ORDER>\n";
    // Slot k + 1 is the start of segment k + 1 and the end of segment k.
    for (size_t k = 0; k <= t.segments.size(); ++k) {
        const int64_t sample =
            k < t.segments.size() ? t.segments[k].startSample : t.segments[k - 1].endSample;
        out += "        <TIME_SLOT TIME_SLOT_ID=\"ts" + std::to_string(k + 1) + "\" TIME_VALUE=\"" +
               std::to_string(SampleTime(sample, t.sampleRate, 1000)) + "\"/>\n";
    }
    out += "    </TIME_ORDER>\n";
    int annotation = 0;
    for (const auto& [id, participant] : tiers) {
        out += "    <TIER LINGUISTIC_TYPE_REF=\"default-lt\"" +
               (participant.empty() ? std::string() : " PARTICIPANT=\"" + Escape(participant, true) + "\"") +
               " TIER_ID=\"" + Escape(id, true) + "\">\n";
        for (size_t k = 0; k < t.segments.size(); ++k) {
            std::string text;
            for (const SpeakerTurn& turn : t.segments[k].turns)
                if (tierOf(turn) == id)
                    text = Joined(text, turn.text, " ");
            if (text.empty())
                continue;
            out += "        <ANNOTATION>\n            <ALIGNABLE_ANNOTATION ANNOTATION_ID=\"a" +
                   std::to_string(++annotation) + "\" TIME_SLOT_REF1=\"ts" + std::to_string(k + 1) +
                   "\" TIME_SLOT_REF2=\"ts" + std::to_string(k + 2) +
                   "\">\n                <ANNOTATION_VALUE>" + Escape(text, false) +
                   "</ANNOTATION_VALUE>\n            </ALIGNABLE_ANNOTATION>\n        </ANNOTATION>\n";
        }
        out += "    </TIER>\n";
    }
    out += "    <LINGUISTIC_TYPE GRAPHIC_REFERENCES=\"false\" LINGUISTIC_TYPE_ID=\"default-lt\" "
           "TIME_ALIGNABLE=\"true\"/>\n</ANNOTATION_DOCUMENT>\n";
    return out;
}

} // namespace

std::string FormatExport(const TimedTranscript& transcript, ExportFormat format) {
    switch (format) {
    case ExportFormat::Srt:
        return Subtitles(transcript, false);
    case ExportFormat::Vtt:
        return Subtitles(transcript, true);
    case ExportFormat::TextGrid:
        return TextGrid(transcript);
    case ExportFormat::Eaf:
        return Eaf(transcript);
    case ExportFormat::Audacity:
        return AudacityLabels(transcript);
    case ExportFormat::Csv:
        return Csv(transcript);
    }
    return {};
}

} // namespace lectorio
