#include "corrections/signature.h"

#include "text/gb18030.h"
#include "text/search.h"

namespace folvane::corrections {

void removeSignatures(std::string& article, const SignatureContext& ctx) {
    const std::string& head = ctx.lastHeadSignature;
    if (!head.empty() && article.starts_with(head) &&
        text::BoundaryWalker(article).reach(head.size())) {
        // The insertion put "\r\n" after the signature. Only that line break
        // goes with it: two other bytes would be the user's text.
        std::size_t cut = head.size();
        if (std::string_view(article).substr(cut, 2) == "\r\n") cut += 2;
        article.erase(0, cut);
    }
    const std::string& tail = ctx.lastTailSignature;
    if (!tail.empty() && text::endsWithAligned(article, tail)) article.resize(article.size() - tail.size());
}

void insertSignatures(std::string& article, SignatureContext& ctx, const Clock& clock) {
    if (!ctx.headSignatureTemplate.empty()) {
        ctx.lastHeadSignature = expandDateTemplates(ctx.headSignatureTemplate, clock);
        article.insert(0, ctx.lastHeadSignature + "\r\n");
    }
    if (!ctx.tailSignatureTemplate.empty()) {
        ctx.lastTailSignature = expandDateTemplates(ctx.tailSignatureTemplate, clock);
        article += "\r\n";
        article += ctx.lastTailSignature;
    }
}

}  // namespace folvane::corrections
