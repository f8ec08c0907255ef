// Reads each Markdown document with another implementation (mdast-util-from-markdown
// with GFM, front matter and math) before and after folvane-cli's Markdown mode, and
// checks: the structure is the same (every node but the words of text nodes), the
// last line break is kept, a second run changes nothing, and at least as many places
// are corrected as autocorrect-node corrects in the same files.
// Usage: node structure_check.mjs FOLVANE_CLI DOCUMENT...
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { fromMarkdown } from 'mdast-util-from-markdown';
import { gfm } from 'micromark-extension-gfm';
import { gfmFromMarkdown } from 'mdast-util-gfm';
import { frontmatter } from 'micromark-extension-frontmatter';
import { frontmatterFromMarkdown } from 'mdast-util-frontmatter';
import { math } from 'micromark-extension-math';
import { mathFromMarkdown } from 'mdast-util-math';
import { diffChars } from 'diff';

const require = createRequire(import.meta.url);
const autocorrect = require('autocorrect-node');

const [cli, ...files] = process.argv.slice(2);
const args = ['--format', 'markdown', '--no-rc', '--set', 'fixPunctuation=1', '--set', 'fixQuotes=1',
              '--set', 'spaceHanLatin=1'];

function parse(text) {
  return fromMarkdown(text, {
    extensions: [gfm(), frontmatter(['yaml', 'toml']), math()],
    mdastExtensions: [gfmFromMarkdown(), frontmatterFromMarkdown(['yaml', 'toml']), mathFromMarkdown()],
  });
}

// The tree without positions and without the words of text nodes; adjacent
// text nodes are one (a correction may never split or join anything else).
function shape(node) {
  const out = {};
  for (const [k, v] of Object.entries(node)) {
    if (k === 'position' || k === 'children') continue;
    if (node.type === 'text' && k === 'value') continue;
    out[k] = v;
  }
  if (node.children) {
    out.children = [];
    for (const c of node.children) {
      const s = shape(c);
      const last = out.children[out.children.length - 1];
      if (s.type === 'text' && last && last.type === 'text') continue;
      out.children.push(s);
    }
  }
  return out;
}

function firstDifference(a, b, path = '') {
  const ka = JSON.stringify(Object.keys(a).filter((k) => k !== 'children').map((k) => [k, a[k]]));
  const kb = JSON.stringify(Object.keys(b).filter((k) => k !== 'children').map((k) => [k, b[k]]));
  if (ka !== kb) return `${path}: ${ka} became ${kb}`;
  const ca = a.children || [], cb = b.children || [];
  for (let i = 0; i < Math.max(ca.length, cb.length); i++) {
    if (!ca[i] || !cb[i]) return `${path}/${i}: ${JSON.stringify(ca[i] || null)} became ${JSON.stringify(cb[i] || null)}`;
    const d = firstDifference(ca[i], cb[i], `${path}/${i}:${ca[i].type}`);
    if (d) return d;
  }
  return null;
}

const places = (before, after) => diffChars(before, after).filter((p) => p.added || p.removed)
  .reduce((n, p, i, all) => n + (p.removed && all[i + 1] && all[i + 1].added ? 0 : 1), 0);

const run = (input) => execFileSync(cli, args, { input, maxBuffer: 1 << 28 }).toString('utf8');

let failures = 0, ours = 0, theirs = 0;
for (const file of files) {
  const text = readFileSync(file, 'utf8');
  const out = execFileSync(cli, [...args, file], { maxBuffer: 1 << 28 }).toString('utf8');
  const problems = [];
  const d = firstDifference(shape(parse(text)), shape(parse(out)));
  if (d) problems.push(`structure changed at ${d}`);
  if (text.endsWith('\n') !== out.endsWith('\n')) problems.push('the last line break changed');
  if (run(out) !== out) problems.push('a second run changes it again');
  const mine = places(text, out);
  const peer = places(text, autocorrect.formatFor(text, 'markdown'));
  ours += mine;
  theirs += peer;
  console.log(`${problems.length ? 'FAIL' : 'ok  '} ${file}: ${mine} places corrected (autocorrect-node: ${peer})`);
  for (const p of problems) console.log(`     ${p}`);
  failures += problems.length ? 1 : 0;
}
console.log(`${files.length} documents, ${failures} with problems; ${ours} places corrected, autocorrect-node ${theirs}`);
if (ours < theirs) {
  console.log('FAIL: fewer places corrected than autocorrect-node');
  failures++;
}
process.exit(failures ? 1 : 0);
