#include "core/ScanDecision.h"

namespace quarvel {
namespace {

constexpr std::uint32_t kHiddenOrSystem = 0x2 | 0x4;

Judgement Changed(const std::string& what) {
  return {Verdict::kChangedDuringScan,
          "It changed while it was scanned (" + what +
              "), so the views saw it at different moments; this is no sign of a hider."};
}

}  // namespace

std::string SecondLookText(const SecondLookState& state) {
  switch (state.kind) {
    case SecondLookState::Kind::kTaken: return "second look: taken";
    case SecondLookState::Kind::kFailed: return "second look: failed, because " + state.failure;
    case SecondLookState::Kind::kNotNeeded: break;
  }
  return "second look: not needed";
}

Decision Decide(const UnseenFacts& facts, const RecheckAnswer* answer, std::optional<std::uint64_t> scan_started,
                bool second_look_failed) {
  Decision decision;
  decision.judgement = Judge(facts);
  if (answer == nullptr && second_look_failed && facts.lister && PointsAtHider(facts, decision.judgement.verdict)) {
    // Kept as it stands, so that a hider cannot take back an accusation by
    // killing the second look; the user is told it was not confirmed.
    decision.judgement.reason +=
        " The second look that would have confirmed it failed: a file made, renamed or hidden during the scan "
        "reads the same way.";
  }
  if (answer == nullptr || !facts.lister || facts.unread_folder_note) return decision;
  const EntryFacts& first = *facts.lister;

  // Dropped only on positive evidence from every view that listed it: a view
  // that could not look again, or was not asked, keeps the file.
  bool every_view_gone = true, any_view_asked = false;
  bool renamed = false;
  for (const ViewRow& row : kViewTable) {
    if (!row.lists_files || !first.views.Has(row.id)) continue;
    const Look look = answer->Of(row.id);
    any_view_asked = true;
    every_view_gone = every_view_gone && look == Look::kGone;
    renamed = renamed || look == Look::kChanged;
  }
  if (any_view_asked && every_view_gone) {
    decision.vanished = true;
    return decision;
  }
  if (renamed) {
    decision.judgement = Changed("renamed, moved, or its name given to another file");
    return decision;
  }
  if (answer->attributes && ((*answer->attributes ^ first.attributes) & kHiddenOrSystem) != 0) {
    decision.judgement = Changed("its hidden or system attribute was set or cleared");
    return decision;
  }

  // A file renamed away and back, or rewritten, while the views and the
  // search each read it once may have been missed by one of them: its change
  // time says so, and no accusation is made of it.
  const bool accusation = PointsAtHider(facts, decision.judgement.verdict);
  if (accusation && scan_started && answer->changed_at && *answer->changed_at >= *scan_started) {
    decision.judgement = Changed("its entry changed after the scan began");
    return decision;
  }

  if (decision.judgement.verdict == Verdict::kSeenOnlyOnVolume ||
      decision.judgement.verdict == Verdict::kNotInFolderIndex) {
    // The accusation stands only when the second look again finds the file on
    // the volume and, in a folder it could read, not in the directory query.
    const Look volume = answer->Of(ViewId::kVolume);
    const Look query = answer->Of(ViewId::kQuery);
    if (query == Look::kThere) {
      decision.judgement = Changed("the directory query lists it now: it was made while the folder was read");
    } else if (query != Look::kGone) {
      decision.judgement = {Verdict::kFolderNotSearched,
                            "Only the volume's MFT lists it, and the NT directory query could not read its folder "
                            "again to confirm it; what that folder holds is not known."};
    } else if (volume != Look::kThere) {
      decision.judgement = {Verdict::kUnexplained,
                            "The volume's MFT listed it, but could not be read again to confirm it."};
    }
  }
  return decision;
}

}  // namespace quarvel
