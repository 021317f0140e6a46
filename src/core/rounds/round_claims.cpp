// The three passes in which one instrument's rounds claim its punches: on-time starts first, so
// that a late or long round never takes the start of the next one; then late starts and steps,
// each round ending before the next on-time start of its own plan; repeats last.
#include "core/rounds/round_claims.h"

#include <algorithm>
#include <utility>

namespace ronvalo {

namespace {

class Claims {
public:
    Claims(std::vector<ClaimedRound>& rounds, InstrumentPunches& punches)
        : rounds_(rounds), punches_(punches), owner_(punches.size(), -1) {}

    void onTimeStarts() {
        for (std::size_t r = 0; r < rounds_.size(); ++r) {
            ClaimedRound& round = rounds_[r];
            const Minute tolerance = qMax<Minute>(0, round.plan->tolerance);
            if (takeStart(int(r), round.t0 - tolerance, round.t0 + tolerance, INT_MAX))
                round.onTime = true;
        }
    }

    // Each round's time ends before the start punch of the first later round of its plan that
    // started on time: a guard finishes one round of a plan before the next.
    void limits() {
        int names = 0;
        for (const ClaimedRound& round : rounds_)
            names = std::max(names, round.name + 1);
        std::vector<int> next(names, INT_MAX);
        for (auto round = rounds_.rbegin(); round != rounds_.rend(); ++round) {
            round->limit = next[round->name];
            if (round->onTime)
                next[round->name] = punches_.position(round->startEntry);
        }
    }

    void lateStartsAndSteps() {
        for (std::size_t r = 0; r < rounds_.size(); ++r) {
            ClaimedRound& round = rounds_[r];
            const Minute late = round.t0 + qMax<Minute>(0, round.plan->tolerance);
            const Minute duration = qMax<Minute>(0, round.plan->duration);
            if (round.startEntry < 0 && !takeStart(int(r), late + 1, late + duration, round.limit))
                continue;
            round.row->late = !round.onTime;
            round.deadline = punches_.minute(round.startEntry) + duration;
            if (round.plan->order == StepOrder::Fixed)
                fixedSteps(int(r));
            else
                anySteps(int(r));
        }
    }

    // The other punches at the checkpoints a walked round took, within its time, go to the
    // earliest such round; a copy follows its original.
    void repeats() {
        for (std::size_t r = 0; r < rounds_.size(); ++r) {
            const ClaimedRound& round = rounds_[r];
            if (round.startEntry < 0)
                continue;
            const int start = punches_.position(round.startEntry);
            for (const StepResult& step : std::as_const(round.row->steps)) {
                if (step.punch < 0)
                    continue;
                const auto range = punches_.checkpoint(step.checkpoint);
                for (int entry = punches_.firstFreeAfter(range, start); within(round, range, entry);
                     entry = punches_.firstFreeAfter(range, punches_.position(entry))) {
                    claim(int(r), entry);
                    repeats_.emplace_back(int(r), punches_.position(entry));
                }
            }
        }
        for (const InstrumentPunches::Copy& copy : punches_.copies()) {
            const int owner = owner_[punches_.position(copy.original)];
            if (owner >= 0)
                repeats_.emplace_back(owner, punches_.position(copy.entry));
        }
        std::sort(repeats_.begin(), repeats_.end());
        for (const auto& [round, position] : repeats_)
            rounds_[round].row->repeats.append(punches_.punchAt(position));
    }

private:
    // The round's start checkpoints: its first step's, or (any order) every step's.
    int startSteps(const ClaimedRound& round) const {
        return round.plan->order == StepOrder::Fixed ? 1 : int(round.plan->steps.size());
    }

    InstrumentPunches::Range range(const ClaimedRound& round, int step) const {
        return punches_.checkpoint(round.plan->steps[step].checkpoint);
    }

    // The earliest unclaimed punch at a start checkpoint from minute `from` to `to`, before
    // position `limit`, starts the round.
    bool takeStart(int r, Minute from, Minute to, int limit) {
        ClaimedRound& round = rounds_[r];
        int best = -1;
        int bestStep = -1;
        for (int s = 0; s < startSteps(round); ++s) {
            const auto steps = range(round, s);
            const int entry = punches_.firstFreeFrom(steps, from);
            if (entry < steps.end && punches_.minute(entry) <= to &&
                punches_.position(entry) < limit &&
                (best < 0 || punches_.position(entry) < punches_.position(best))) {
                best = entry;
                bestStep = s;
            }
        }
        if (best < 0)
            return false;
        take(r, bestStep, best, false);
        round.startEntry = best;
        round.row->start = round.row->steps[bestStep].punch;
        return true;
    }

    bool within(const ClaimedRound& round, InstrumentPunches::Range steps, int entry) const {
        return entry < steps.end && punches_.minute(entry) <= round.deadline &&
               punches_.position(entry) < round.limit;
    }

    // Each later step takes the earliest punch after the previous step's (or, when that step has
    // none, after the latest the round took); else one between the start and it, out of order.
    void fixedSteps(int r) {
        const ClaimedRound& round = rounds_[r];
        const int start = punches_.position(round.startEntry);
        const QList<StepResult>& steps = round.row->steps;
        int latest = start;
        int previous = start;
        for (int s = 1; s < int(steps.size()); ++s) {
            const auto checkpoint = range(round, s);
            int entry = punches_.firstFreeAfter(checkpoint, previous);
            bool outOfOrder = false;
            if (!within(round, checkpoint, entry)) {
                entry = punches_.firstFreeAfter(checkpoint, start);
                outOfOrder = true;
                if (entry >= checkpoint.end || punches_.position(entry) >= previous) {
                    previous = latest;
                    continue;
                }
            }
            take(r, s, entry, outOfOrder);
            previous = punches_.position(entry);
            latest = std::max(latest, previous);
        }
    }

    void anySteps(int r) {
        const ClaimedRound& round = rounds_[r];
        const int start = punches_.position(round.startEntry);
        for (int s = 0; s < int(round.row->steps.size()); ++s) {
            if (round.row->steps[s].punch >= 0)
                continue; // the step that started the round
            const auto checkpoint = range(round, s);
            const int entry = punches_.firstFreeAfter(checkpoint, start);
            if (within(round, checkpoint, entry))
                take(r, s, entry, false);
        }
    }

    void take(int r, int step, int entry, bool outOfOrder) {
        claim(r, entry);
        StepResult& result = rounds_[r].row->steps[step];
        result.punch = punches_.punchIndex(entry);
        result.outOfOrder = outOfOrder;
    }

    void claim(int r, int entry) {
        punches_.claim(entry);
        owner_[punches_.position(entry)] = r;
    }

    std::vector<ClaimedRound>& rounds_;
    InstrumentPunches& punches_;
    std::vector<int> owner_;                   // by position: the round that claimed it
    std::vector<std::pair<int, int>> repeats_; // round, position
};

} // namespace

void claimPunches(std::vector<ClaimedRound>& rounds, InstrumentPunches& punches) {
    Claims claims(rounds, punches);
    claims.onTimeStarts();
    claims.limits();
    claims.lateStartsAndSteps();
    claims.repeats();
}

} // namespace ronvalo
