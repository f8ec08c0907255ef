#include "settings/quick_bars.h"

namespace folvane::settings {

void normalizeOptions(engine::TypesetOptions& o) {
    if (o.doubleBreak && o.tripleBreak) o.tripleBreak = false;
    if (o.toTraditional && o.toSimplified) o.toSimplified = false;
    if (o.cutAfter && o.copyAfter) o.cutAfter = false;
}

QuickBarState syncQuickBars(engine::TypesetOptions& o) {
    normalizeOptions(o);
    QuickBarState q;
    q.indent = o.trimParagraphEnds && o.addIndent;
    q.mergeBreaks = o.lineBreakFix || o.doubleBreak || o.tripleBreak;
    q.noBreakFix = !q.mergeBreaks;
    q.doubleBreak = o.doubleBreak;
    q.tripleBreak = o.tripleBreak;
    q.singleBreak = o.lineBreakFix && !o.doubleBreak && !o.tripleBreak;
    q.noiseFix = o.stripHeadNoise && o.stripTailNoise;
    q.joinBreaks = o.joinNonParagraphBreaks;
    q.script = o.toTraditional  ? ScriptChoice::Traditional
               : o.toSimplified ? ScriptChoice::Simplified
                                : ScriptChoice::Unchanged;
    q.copyAfter = o.copyAfter;
    q.cutAfter = o.cutAfter;
    q.minimizeAfter = o.minimizeAfter;
    return q;
}

}  // namespace folvane::settings
