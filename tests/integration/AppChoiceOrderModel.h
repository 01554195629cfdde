#pragma once

// What each event of a sequence of the app's configuration calls must see, and what each track's hit must
// do, worked out in event order over launches that share their folders. AppChoiceOrderTest runs the same
// sequences on a real core and compares.

#include <algorithm>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace NuvraMobile {
namespace AppChoiceOrder {

/** How an app id's configuration server answers in one launch. */
enum class Answer { kAtOnce, kSlow, kNever, kFails };
enum class FileKind { kGood, kOptsOut, kUnreadable };
enum class StepKind { kAppId, kFile, kPrivacy, kUpdate, kTrack, kRelease };

struct Step {
    StepKind kind;
    std::string app;  // kAppId, kRelease
    FileKind file = FileKind::kGood;
    std::string privacy;  // kPrivacy: "optedin", "optedout" or "optunknown"
};

inline Step AppId(const std::string& app) { return {StepKind::kAppId, app, FileKind::kGood, ""}; }
inline Step File(FileKind kind) { return {StepKind::kFile, "", kind, ""}; }
inline Step Privacy(const std::string& privacy) { return {StepKind::kPrivacy, "", FileKind::kGood, privacy}; }
inline Step Update() { return {StepKind::kUpdate, "", FileKind::kGood, ""}; }
inline Step Track() { return {StepKind::kTrack, "", FileKind::kGood, ""}; }
inline Step Release(const std::string& app) { return {StepKind::kRelease, app, FileKind::kGood, ""}; }

struct Launch {
    std::map<std::string, Answer> answers;
    std::vector<Step> steps;
};

/** The steps of a sequence, and the privacy each app id's file names, fixed for the sequence. */
struct Sequence {
    std::map<std::string, std::string> appPrivacy;
    std::vector<Launch> launches;
};

/** A configuration that names the collector: whose rsids, with what default privacy. */
struct Base {
    std::string rsids;
    std::string privacy;
};

inline const std::vector<std::string>& AppIds() {
    static const std::vector<std::string> ids = {"app-a", "app-b", "app-c"};
    return ids;
}
inline std::string RsidsOf(const std::string& app) { return "rs-" + app.substr(app.size() - 1); }
inline Base FileBase(FileKind kind) {
    return kind == FileKind::kGood ? Base{"rs-file", "optedin"} : Base{"rs-file-out", "optedout"};
}

/** What becomes of a track's hit. */
enum class Fate {
    kWaiting,  // waits for a fetch under way
    kSent,     // arrives once, before the next step that could clear stored hits (MayClearStoredHits)
    kNeverSent,
    kStoredUnknown,  // stored under unknown privacy: the next privacy request decides
    kMaySend,        // at most once
};

struct TrackModel {
    std::string action;
    int launch = 0;
    std::optional<std::string> privacyOverride;  // the last privacy request before the track's event
    std::optional<std::string> nextPrivacy;      // the first privacy request after it, once made
    bool privacyAskedWhileWaiting = false;       // a privacy request came before it was resolved
    bool sawNothing = false;  // nothing was published, or held with overrides, before its event
    /** The privacy stored by the first request after it while it waited: what the first publication after
     * it carries. */
    std::optional<std::optional<std::string>> privacyOfRequestAfter;
    bool resolved = false;
    bool cleared = false;  // made before an opt-out: sent before it, if ever
    std::string rsids;  // of the configuration at its event; empty when it names no server
    /**
     * Of the bases that stood after its event: a stored hit goes to the server that stands when it is sent,
     * which a base asked after the track may have replaced.
     */
    std::set<std::string> laterRsids;
    std::string privacy;
    bool checkRsids = true;
    Fate fate = Fate::kWaiting;
};

/** A fetch landing the test waits for: the count-th "Downloaded Configuration Internal" of the text. */
struct Landing {
    std::string app;  // empty for a fetch that brought nothing
    int count = 0;
};

struct PlannedStep {
    Step step;
    std::vector<int> mustHaveArrived;  // tracks whose hits must have arrived before the step
    std::optional<Landing> landing;    // awaited after the step
    int track = -1;                    // kTrack: the track's index
};

struct PlannedLaunch {
    std::map<std::string, Answer> answers;
    std::optional<Landing> bootLanding;
    std::vector<PlannedStep> steps;
    std::vector<int> mustHaveArrivedBeforeDispose;
    /** What Dispose must say: none where Analytics may still hold a track for its identity (see below). */
    std::optional<bool> disposeSays = true;
};

struct Plan {
    std::map<std::string, std::string> appPrivacy;
    std::vector<PlannedLaunch> launches;
    std::vector<TrackModel> tracks;
    std::string description;  // the steps with their event-order effects, to replay a failure
};

const char* AnswerName(Answer answer);

/**
 * The model, fed one step at a time in event order. Persisted across launches: the saved app id, which app
 * ids have a cached file, the last privacy request. Within a launch: the latest base asked, the base that
 * stands, the fetches under way, and the tracks that wait for one.
 */
class Planner {
public:
    explicit Planner(std::map<std::string, std::string> appPrivacy) : appPrivacy_(std::move(appPrivacy)) {}

    /** The answers the launch may use: a saved app id that may be cached answers at once (see Boot). */
    std::map<std::string, Answer> AdmissibleAnswers(std::map<std::string, Answer> answers) const {
        if (!savedApp_.empty() && CacheOf(savedApp_) == Cache::kMaybe) {
            answers[savedApp_] = Answer::kAtOnce;
        }
        for (auto& [app, answer] : answers) {
            if (answer == Answer::kFails && CacheOf(app) != Cache::kNo) {
                // A cached file answers for a failed download: the failure would not be one.
                answer = Answer::kAtOnce;
            }
        }
        return answers;
    }

    void StartLaunch(const std::map<std::string, Answer>& answers) {
        EndLaunchIfAny();
        plan_.launches.emplace_back();
        plan_.launches.back().answers = answers;
        launch_ = LaunchState{};
        launch_.answers = answers;
        Note("launch " + std::to_string(plan_.launches.size()) + " [" + DescribeAnswers(answers) + "]");
        if (savedApp_.empty()) {
            Note("  boot: nothing saved");
            launch_.published = overridesStored_;
            return;
        }
        launch_.latestAsked = savedApp_;
        std::string boot = "  boot: saved " + savedApp_;
        // A file that may be cached answers at once: whichever stood first, the fetched one stands after it.
        if (CacheOf(savedApp_) == Cache::kYes) {
            Stand(Base{RsidsOf(savedApp_), appPrivacy_.at(savedApp_)});
            boot += ", cached file stands";
        }
        Note(boot);
        plan_.launches.back().bootLanding = StartFetch(savedApp_);
    }

    bool CanTrack() const { return launch_.standing || !launch_.latestAsked.empty(); }
    bool CanAsk(const std::string& app) const { return !launch_.superseded.count(app); }
    /** The slow app ids whose fetch waits on their gate. */
    std::vector<std::string> HeldFetches() const {
        std::vector<std::string> held;
        for (const auto& app : launch_.underWay) {
            if (AnswerOf(app) == Answer::kSlow) {
                held.push_back(app);
            }
        }
        return held;
    }

    void Apply(const Step& step) {
        PlannedStep planned;
        planned.step = step;
        if (MayClearStoredHits(step)) {
            planned.mustHaveArrived = TakeMustArrive();
        }
        plan_.launches.back().steps.push_back(planned);
        switch (step.kind) {
            case StepKind::kAppId:
                AskApp(step.app);
                break;
            case StepKind::kFile:
                AskFile(step.file);
                break;
            case StepKind::kPrivacy:
                SetPrivacy(step.privacy);
                break;
            case StepKind::kUpdate:
                Note("  Update");
                StoreOverrides();
                break;
            case StepKind::kTrack:
                plan_.launches.back().steps.back().track = AddTrack();
                break;
            case StepKind::kRelease:
                ReleaseFetch(step.app);
                break;
        }
    }

    /** A privacy request other than an opt-in, or a base that may stand with a default other than opted in. */
    static bool MayClearStoredHits(const Step& step) {
        return step.kind == StepKind::kPrivacy ? step.privacy != "optedin"
                                               : step.kind != StepKind::kUpdate && step.kind != StepKind::kTrack;
    }

    Plan Finish() {
        EndLaunchIfAny();
        for (const auto& track : plan_.tracks) {
            Note(track.action + ": " + DescribeTrack(track));
        }
        plan_.appPrivacy = appPrivacy_;
        plan_.description = description_.str();
        return plan_;
    }

private:
    enum class Cache { kNo, kMaybe, kYes };

    struct LaunchState {
        std::map<std::string, Answer> answers;
        std::set<std::string> released;
        std::set<std::string> underWay;
        std::set<std::string> superseded;  // a fetch completed unapplied: not asked again in the launch
        std::map<std::string, int> landings;
        std::string latestAsked;  // an app id; empty for none or a file
        std::optional<Base> standing;
        std::vector<int> waiting;
        bool published = false;
        std::vector<int> waitingForFirst;  // made before anything was published in the launch
    };

    Cache CacheOf(const std::string& app) const {
        const auto found = cached_.find(app);
        return found == cached_.end() ? Cache::kNo : found->second;
    }

    Answer AnswerOf(const std::string& app) const {
        const auto found = launch_.answers.find(app);
        const Answer answer = found == launch_.answers.end() ? Answer::kAtOnce : found->second;
        return answer == Answer::kSlow && launch_.released.count(app) ? Answer::kAtOnce : answer;
    }

    void AskApp(const std::string& app) {
        if (!launch_.standing) {
            // Until a base stands, the request's own version is held for its file.
            NoteRequestAfterWaitingTracks();
        }
        savedApp_ = app;
        launch_.latestAsked = app;
        if (launch_.underWay.count(app)) {
            Note("  AppId(" + app + "): shares the fetch under way");
            return;
        }
        Note("  AppId(" + app + ")");
        plan_.launches.back().steps.back().landing = StartFetch(app);
    }

    /** The landing to await when the fetch answers at once; else the fetch stays under way. */
    std::optional<Landing> StartFetch(const std::string& app) {
        switch (AnswerOf(app)) {
            case Answer::kAtOnce:
                return Land(app, true);
            case Answer::kFails:
                return Land(app, false);
            case Answer::kSlow:
            case Answer::kNever:
                launch_.underWay.insert(app);
                Note("    fetch of " + app + " under way");
                return std::nullopt;
        }
        return std::nullopt;
    }

    /** A fetch that still applies lands now. */
    Landing Land(const std::string& app, bool good) {
        launch_.underWay.erase(app);
        const std::string text = good ? app : "";
        Landing landing{text, ++launch_.landings[text]};
        if (good) {
            // The file fetched for the latest base is the one copy the cache keeps.
            cached_.clear();
            cached_[app] = Cache::kYes;
            Note("    " + app + "'s file lands and stands");
            Stand(Base{RsidsOf(app), appPrivacy_.at(app)});
        } else {
            Note("    fetch of " + app + " fails: no file stands");
            // Each event held for the fetch reads the overrides stored at its own event; one that saw none
            // waits for the first configuration published after it.
            for (const int index : launch_.waiting) {
                if (plan_.tracks[index].sawNothing) {
                    launch_.waitingForFirst.push_back(index);
                } else {
                    Resolve(plan_.tracks[index], std::nullopt);
                }
            }
            launch_.waiting.clear();
            if (overridesStored_) {
                Publish();
            }
        }
        return landing;
    }

    void ReleaseFetch(const std::string& app) {
        launch_.released.insert(app);
        if (launch_.latestAsked == app) {
            Note("  Release(" + app + ")");
            plan_.launches.back().steps.back().landing = Land(app, true);
            return;
        }
        launch_.underWay.erase(app);
        launch_.superseded.insert(app);
        if (CacheOf(app) == Cache::kNo) {
            cached_[app] = Cache::kMaybe;
        }
        Note("  Release(" + app + "): superseded, not applied");
    }

    void AskFile(FileKind kind) {
        if (kind == FileKind::kUnreadable) {
            Note("  File(missing): changes nothing");
            return;
        }
        launch_.latestAsked.clear();
        Note(kind == FileKind::kGood ? "  File(good) stands" : "  File(opts out) stands");
        Stand(FileBase(kind));
    }

    void Stand(const Base& base) {
        launch_.standing = base;
        for (auto& track : plan_.tracks) {
            if (track.resolved) {
                track.laterRsids.insert(base.rsids);
            }
        }
        if (!privacy_ && base.privacy == "optedout") {
            ClearHitsMadeSoFar();
        }
        ResolveWaiting(base);
        Publish();
    }

    /**
     * An opt-out, asked or of a base that stands while the app made no privacy request, clears the hits made
     * before it, stored or still waiting: none of them goes out after it, whatever the app chooses next.
     */
    void ClearHitsMadeSoFar() {
        for (auto& track : plan_.tracks) {
            track.cleared = true;
            if (track.fate == Fate::kStoredUnknown) {
                track.fate = Fate::kNeverSent;
            }
        }
    }

    /** A privacy request or an update: the first request after a waiting track that saw nothing. */
    void StoreOverrides() {
        overridesStored_ = true;
        NoteRequestAfterWaitingTracks();
        PublishUnlessHeld();
    }

    /** A request whose version the first configuration fills: what the tracks that saw nothing before it see. */
    void NoteRequestAfterWaitingTracks() {
        for (auto& track : plan_.tracks) {
            if (!track.resolved && track.sawNothing && !track.privacyOfRequestAfter) {
                track.privacyOfRequestAfter = privacy_;
            }
        }
    }

    /** A request applied at once (not held for a fetch) publishes the configuration with it. */
    void PublishUnlessHeld() {
        if (!FetchHolds()) {
            Publish();
        }
    }

    /**
     * The events made before anything was published in the launch see the first configuration published,
     * with the choices it carries.
     */
    void Publish() {
        launch_.published = true;
        for (const int index : launch_.waitingForFirst) {
            auto& track = plan_.tracks[index];
            track.privacyOverride = track.privacyOfRequestAfter ? *track.privacyOfRequestAfter : privacy_;
            Resolve(track, launch_.standing);
        }
        launch_.waitingForFirst.clear();
    }

    /** Until a base stands in the launch, a fetch for the latest base asked holds the requests after it. */
    bool FetchHolds() const { return !launch_.standing && launch_.underWay.count(launch_.latestAsked) != 0; }

    void SetPrivacy(const std::string& privacy) {
        Note("  Privacy(" + privacy + ")");
        for (auto& track : plan_.tracks) {
            track.privacyAskedWhileWaiting = track.privacyAskedWhileWaiting || !track.resolved;
            if (track.nextPrivacy || track.cleared || !IsUnknown(track)) {
                continue;
            }
            track.nextPrivacy = privacy;
            // A hit a later base may already have sent under its own opt-in stays at most once.
            if (track.fate == Fate::kStoredUnknown || (track.fate == Fate::kMaySend && track.laterRsids.empty())) {
                track.fate = FateAfterUnknown(privacy, launch_.standing.has_value());
                if (track.fate == Fate::kSent) {
                    mustArrive_.push_back(Index(track));
                }
            }
        }
        if (privacy == "optedout") {
            ClearHitsMadeSoFar();
        }
        privacy_ = privacy;
        StoreOverrides();
    }

    /** Made under unknown privacy, of a request or of its base, whether it waits or not. */
    static bool IsUnknown(const TrackModel& track) {
        return track.resolved ? track.privacy == "optunknown"
                              : track.privacyOverride && *track.privacyOverride == "optunknown";
    }

    /** A hit stored under unknown privacy goes when the next request opts in under a server, never on an opt-out. */
    static Fate FateAfterUnknown(const std::string& nextPrivacy, bool serverStands) {
        if (nextPrivacy == "optedout") {
            return Fate::kNeverSent;
        }
        return nextPrivacy == "optedin" && serverStands ? Fate::kSent : Fate::kMaySend;
    }

    int AddTrack() {
        TrackModel track;
        track.action = "t" + std::to_string(plan_.tracks.size() + 1);
        track.launch = static_cast<int>(plan_.launches.size());
        track.privacyOverride = privacy_;
        plan_.tracks.push_back(track);
        const int index = static_cast<int>(plan_.tracks.size()) - 1;
        // Held requests, the boot's among them, carry the overrides stored at their own event.
        plan_.tracks.back().sawNothing = FetchHolds() ? !overridesStored_ : !launch_.published;
        if (launch_.standing) {
            Resolve(plan_.tracks.back(), launch_.standing);
        } else if (FetchHolds()) {
            launch_.waiting.push_back(index);
        } else if (!launch_.published) {
            launch_.waitingForFirst.push_back(index);
        } else {
            Resolve(plan_.tracks.back(), std::nullopt);
        }
        Note("  Track(" + track.action + ")" +
             (plan_.tracks.back().resolved ? "" : ": waits for the fetch or the first configuration"));
        return index;
    }

    void ResolveWaiting(const std::optional<Base>& base) {
        for (const int index : launch_.waiting) {
            Resolve(plan_.tracks[index], base);
        }
        launch_.waiting.clear();
    }

    void Resolve(TrackModel& track, const std::optional<Base>& base) {
        track.resolved = true;
        track.rsids = base ? base->rsids : "";
        track.privacy = track.privacyOverride ? *track.privacyOverride : base ? base->privacy : "optunknown";
        if (!base || track.privacy == "optedout" || track.cleared) {
            track.fate = Fate::kNeverSent;
        } else if (track.privacy == "optedin" && track.privacyAskedWhileWaiting) {
            // Built under its own choice, its hit is then sent or kept or cleared under the one that stands.
            track.fate = Fate::kMaySend;
        } else if (track.privacy == "optedin") {
            track.fate = Fate::kSent;
            mustArrive_.push_back(Index(track));
        } else {
            track.checkRsids = false;
            if (!track.privacyOverride) {
                // A later base may opt in without a privacy request.
                track.fate = Fate::kMaySend;
            } else if (track.nextPrivacy) {
                // Opted in while the track waited: the stored hit may go out with the landing.
                track.fate = *track.nextPrivacy == "optedout" ? Fate::kNeverSent : Fate::kMaySend;
            } else {
                track.fate = Fate::kStoredUnknown;
            }
        }
    }

    void EndLaunchIfAny() {
        if (plan_.launches.empty()) {
            return;
        }
        auto& launch = plan_.launches.back();
        launch.mustHaveArrivedBeforeDispose = TakeMustArrive();
        for (const auto* waiting : {&launch_.waiting, &launch_.waitingForFirst}) {
            for (const int index : *waiting) {
                // What it waited for never came: the track is dropped with the core.
                plan_.tracks[index].fate = Fate::kNeverSent;
            }
        }
        if (!launch_.waiting.empty() || !launch_.waitingForFirst.empty()) {
            launch.disposeSays = false;
        } else if (MayWaitForItsIdentity()) {
            launch.disposeSays.reset();
        }
        Note(std::string("  Dispose: ") + (!launch.disposeSays  ? "true, or false for a track held for its identity"
                                           : *launch.disposeSays ? "true"
                                                                 : "false, a track waits"));
        launch_ = LaunchState{};
    }

    /**
     * Whether Analytics may still hold a track of this launch at Dispose: it builds a hit only once Identity
     * has a state at the track's event, which depends on Identity's own syncs, now or in earlier launches. A
     * track whose hit was seen to arrive was built; any other may so wait until Dispose drops it, which then
     * says false.
     */
    bool MayWaitForItsIdentity() const {
        const int launch = static_cast<int>(plan_.launches.size());
        return std::any_of(plan_.tracks.begin(), plan_.tracks.end(), [launch](const TrackModel& track) {
            return track.launch == launch && track.fate != Fate::kSent;
        });
    }

    std::vector<int> TakeMustArrive() {
        std::vector<int> taken;
        taken.swap(mustArrive_);
        return taken;
    }

    int Index(const TrackModel& track) const { return static_cast<int>(&track - plan_.tracks.data()); }

    static std::string DescribeAnswers(const std::map<std::string, Answer>& answers) {
        std::string text;
        for (const auto& [app, answer] : answers) {
            text += (text.empty() ? "" : " ") + app + ":" + AnswerName(answer);
        }
        return text;
    }

    static std::string DescribeTrack(const TrackModel& track) {
        static const char* const kFates[] = {"waits", "sent once", "never sent", "stored unknown", "sent at most once"};
        if (!track.resolved) {
            return "dropped at Dispose";
        }
        return "sees [" + (track.rsids.empty() ? std::string("no server") : track.rsids) + ", " + track.privacy +
               "], " + kFates[static_cast<int>(track.fate)];
    }

    void Note(const std::string& line) { description_ << line << "\n"; }

    const std::map<std::string, std::string> appPrivacy_;
    std::string savedApp_;
    std::map<std::string, Cache> cached_;
    std::optional<std::string> privacy_;
    /** Whether the app ever made a privacy request or an update: the stored overrides publish alone. */
    bool overridesStored_ = false;
    LaunchState launch_;
    std::vector<int> mustArrive_;
    Plan plan_;
    std::ostringstream description_;
};

inline const char* AnswerName(Answer answer) {
    static const char* const kNames[] = {"at once", "slow", "never", "fails"};
    return kNames[static_cast<int>(answer)];
}

/** Plans a fixed sequence. */
inline Plan PlanOf(const Sequence& sequence) {
    Planner planner(sequence.appPrivacy);
    for (const auto& launch : sequence.launches) {
        planner.StartLaunch(planner.AdmissibleAnswers(launch.answers));
        for (const auto& step : launch.steps) {
            planner.Apply(step);
        }
    }
    return planner.Finish();
}

/** A random sequence of the seed: 2-4 launches of 4-12 steps, each step one the model can place. */
inline Plan PlanOfSeed(unsigned seed) {
    std::mt19937 random(seed);
    const auto pick = [&random](int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); };
    static const char* const kPrivacies[] = {"optedin", "optedout", "optunknown"};
    std::map<std::string, std::string> appPrivacy;
    for (const auto& app : AppIds()) {
        appPrivacy[app] = kPrivacies[pick(3)];
    }
    Planner planner(appPrivacy);
    const int launches = 2 + pick(3);
    for (int launch = 0; launch < launches; ++launch) {
        std::map<std::string, Answer> answers;
        for (const auto& app : AppIds()) {
            answers[app] = static_cast<Answer>(pick(4));
        }
        planner.StartLaunch(planner.AdmissibleAnswers(answers));
        const int steps = 4 + pick(9);
        for (int index = 0; index < steps; ++index) {
            std::vector<Step> choices = {File(static_cast<FileKind>(pick(3))), Privacy(kPrivacies[pick(3)]),
                                         Update()};
            const std::string app = AppIds()[pick(3)];
            if (planner.CanAsk(app)) {
                choices.push_back(AppId(app));
                choices.push_back(AppId(app));
            }
            if (planner.CanTrack()) {
                choices.insert(choices.end(), 3, Track());
            }
            const auto held = planner.HeldFetches();
            if (!held.empty()) {
                choices.push_back(Release(held[pick(static_cast<int>(held.size()))]));
            }
            planner.Apply(choices[pick(static_cast<int>(choices.size()))]);
        }
    }
    return planner.Finish();
}

}  // namespace AppChoiceOrder
}  // namespace NuvraMobile
