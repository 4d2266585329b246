#!/usr/bin/env python3
"""Judges corvane-cli on a real site with a link resolver of its own (a web server's view of the files).

    real_sites.py copy SRC DST                 copy a tree, following symbolic links, dropping dangling ones
    real_sites.py healthy SITE SEARCH_JSON     figures of a search of an untouched site
    real_sites.py reorganise SITE MOVES_JSON [--section REL] [--renames N]
    real_sites.py score HEALTHY SITE MOVES_JSON   figures of a fix of the reorganised copy SITE
    real_sites.py fragments-healthy SITE SEARCH_JSON      #fragment rows of a search (--check-fragments) judged
    real_sites.py fragments-reorganise SITE MOVES_JSON [--share N]   rename 1 in N linked anchors, move a section's
    real_sites.py fragments-score BEFORE SITE MOVES_JSON  figures of a fix (--check-fragments) of the copy SITE,
                                                          BEFORE being that copy as reorganised, before the fix
"""
import difflib
import html
import json
import os
import re
import shutil
import sys
import urllib.parse
from html.parser import HTMLParser

PAGE_EXTS = ('.htm', '.html', '.shtml')
PICTURE_EXTS = ('.png', '.gif', '.jpg', '.jpeg', '.svg', '.bmp')
INDEX_NAMES = ('index.html', 'index.htm', 'default.htm')
CSS_URL = re.compile(r'url\(\s*[\'"]?([^\'")]+)')


# ---- the resolver: what a web server serving SITE from its top folder would answer ----

class LinkParser(HTMLParser):
    def __init__(self):
        super().__init__()
        self.links = []

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ('href', 'src', 'background') and value is not None:
                self.links.append((tag + ' ' + name, value))


def links_of(path):
    """The (kind, value) of every URL of a page or style sheet, in document order."""
    with open(path, 'rb') as f:
        text = f.read().decode('utf-8', 'replace')
    if path.lower().endswith('.css'):
        return [('css', m.group(1).strip()) for m in CSS_URL.finditer(text)]
    parser = LinkParser()
    parser.feed(text)
    parser.close()
    return parser.links


def target(site, page, url, decoded=False):
    """The file or folder a local URL names, or None for an Internet URL, another protocol or a bare fragment."""
    parts = urllib.parse.urlsplit(url.strip().split('#')[0])
    path = parts.path if decoded else urllib.parse.unquote(parts.path, encoding='latin-1')
    if parts.scheme.lower() == 'file' and re.match(r'/[Zz][|:]/', path):  # corvane-cli's Z: is the host's /
        return os.path.normpath(path[3:])
    if parts.scheme or parts.netloc or not path:
        return None
    base = site if path.startswith('/') else os.path.dirname(page)
    return os.path.normpath(os.path.join(base, path.lstrip('/')))


def works(path):
    return path is not None and (os.path.isfile(path) or os.path.isdir(path))


def scanned_files(site):
    for folder, _, names in os.walk(site):
        for name in sorted(names):
            if name.lower().endswith(PAGE_EXTS + ('.css',)):
                yield os.path.join(folder, name)


# ---- copy ----

def copy(src, dst):
    for folder, _, names in os.walk(src, followlinks=True):
        into = os.path.join(dst, os.path.relpath(folder, src))
        os.makedirs(into, exist_ok=True)
        for name in names:
            if os.path.isfile(os.path.join(folder, name)):  # a dangling link is no file
                shutil.copyfile(os.path.join(folder, name), os.path.join(into, name))


# ---- the search of a healthy site ----

def host_path(windows_path):
    """corvane-cli's Z:\\... form of a host path, back to the host's form."""
    return windows_path[2:].replace('\\', '/') if windows_path[:2].upper() == 'Z:' else None


def replacement_url(text):
    if text.startswith(':::'):
        return None
    if text.startswith('|||'):
        text = text[3:]
    if len(text) >= 2 and text[0] == text[-1] == '"':
        text = text[1:-1]
    return text


def healthy(site, search_json):
    site = os.path.abspath(site)
    total = good = 0
    for page in scanned_files(site):
        for _, value in links_of(page):
            t = target(site, page, value)
            if t is not None:
                total += 1
                good += works(t)
    with open(search_json, encoding='utf-8') as f:
        result = json.load(f)
    files = [host_path(row['path']) for row in result['files']]
    changed = deleted = same = 0
    for r in result['records']:
        page = files[r['linkFile']]
        old = target(site, page, r['linkUrl'], decoded=True)
        if not works(old):
            continue
        new = replacement_url(r['linkReplacement'])
        if new is None:
            continue
        if new == '':
            deleted += 1
        elif target(site, page, new) != old:
            changed += 1
        else:
            same += 1
    print(f"local links: {total} ({good} working, {total - good} broken)")
    print(f"search: {len(result['records'])} change(s) proposed; on working local links: "
          f"{same} rewritten to the same target")
    print(f"  working local links proposed to change to another target: {changed}")
    print(f"  working local links proposed for deletion: {deleted}")
    return changed + deleted


# ---- the reorganisation ----

def page_count(folder):
    return sum(n.lower().endswith(PAGE_EXTS) for _, _, names in os.walk(folder) for n in names)


def reorganise(site, moves_json, section=None, renames=5):
    site = os.path.abspath(site)
    rules = []  # (old relative path, new relative path), files and folders

    def move(old, new):
        os.makedirs(os.path.dirname(os.path.join(site, new)), exist_ok=True)
        os.rename(os.path.join(site, old), os.path.join(site, new))
        rules.append((old, new))
        print(f"reorganisation: {old} -> {new}")

    pictures = {}
    for folder, _, names in os.walk(site):
        pictures[os.path.relpath(folder, site)] = sum(n.lower().endswith(PICTURE_EXTS) for n in names)
    folder = max(sorted(pictures), key=lambda k: pictures[k])
    if folder != '.' and pictures[folder] > 0:
        move(folder, os.path.join(os.path.dirname(folder), 'media', os.path.basename(folder)))
    if section is None:
        all_pages = page_count(site)
        sizes = {}
        for name in sorted(os.listdir(site)):
            path = os.path.join(site, name)
            if os.path.isdir(path) and name != 'media':
                sizes[name] = page_count(path)
        fits = [n for n in sizes if 0 < sizes[n] <= all_pages // 4]
        section = max(fits, key=lambda n: sizes[n]) if fits else None
    if section:
        move(section, os.path.join(os.path.dirname(section), 'part', os.path.basename(section)))
    linked = set()
    for page in scanned_files(site):
        for _, value in links_of(page):
            t = target(site, page, value)
            if t and os.path.isfile(t) and t.lower().endswith(PAGE_EXTS) and os.path.basename(t) not in INDEX_NAMES:
                linked.add(os.path.relpath(t, site))
    linked = sorted(linked) if renames > 0 else []
    for rel in linked[len(linked) // (2 * renames)::max(1, len(linked) // renames)][:renames]:
        name = os.path.basename(rel)
        new_name = name[0].upper() + name[1:] if name[0].islower() else name.upper()
        if new_name != name and not os.path.exists(os.path.join(site, os.path.dirname(rel), new_name)):
            move(rel, os.path.join(os.path.dirname(rel), new_name))
    with open(moves_json, 'w', encoding='utf-8') as f:
        json.dump(rules, f)


def moved(rules, rel):
    """Where the file or folder at rel before the reorganisation is now."""
    for old, new in rules:
        if rel == old or rel.startswith(old + os.sep):
            rel = new + rel[len(old):]
    return rel


# ---- the fix of the reorganised site ----

def score(healthy_site, site, moves_json):
    healthy_site, site = os.path.abspath(healthy_site), os.path.abspath(site)
    with open(moves_json, encoding='utf-8') as f:
        rules = json.load(f)
    broken = right = wrong = left = deleted = damaged = 0
    for old_page in scanned_files(healthy_site):
        page = os.path.join(site, moved(rules, os.path.relpath(old_page, healthy_site)))
        before, after = links_of(old_page), links_of(page)
        pairs = {}
        matcher = difflib.SequenceMatcher(None, [k for k, _ in before], [k for k, _ in after], autojunk=False)
        for block in matcher.get_matching_blocks():
            for i in range(block.size):
                pairs[block.a + i] = after[block.b + i][1]
        for i, (_, value) in enumerate(before):
            t = target(healthy_site, old_page, value)
            if not works(t):
                continue
            expected = os.path.join(site, moved(rules, os.path.relpath(t, healthy_site)))
            was_working = target(site, page, value) == expected
            broken += not was_working
            now = pairs.get(i)
            gone = now is None or now.strip() == ''
            fixed = None if gone else target(site, page, now)
            if was_working:
                damaged += fixed != expected
            elif fixed == expected:
                right += 1
            elif gone:
                left += 1
                deleted += 1
            elif works(fixed):
                wrong += 1
            else:
                left += 1
    print(f"links broken by the reorganisation: {broken}")
    print(f"  repaired to the right file: {right}")
    print(f"  repaired to a wrong file: {wrong}")
    print(f"  left broken: {left} (of which deleted: {deleted})")
    print(f"working links damaged by the fix: {damaged}")
    return damaged


# ---- #fragments: an independent checker (ids on any element, names on a) ----

class AnchorParser(HTMLParser):
    def __init__(self):
        super().__init__()
        self.anchors = set()

    def handle_starttag(self, tag, attrs):
        seen = set()
        for name, value in attrs:
            if value and name not in seen and (name == 'id' or (name == 'name' and tag == 'a')):
                self.anchors.add(value)
            seen.add(name)


_anchors = {}


def anchors_of(path, fresh=False):
    if fresh or path not in _anchors:
        with open(path, 'rb') as f:
            text = f.read().decode('utf-8', 'replace')
        parser = AnchorParser()
        parser.feed(text)
        parser.close()
        _anchors[path] = parser.anchors
    return _anchors[path]


def fragment_link(site, page, url, decoded=False):
    """(page file, fragment) of a local link into a page whose fragment is checked, else None."""
    url = url.strip()
    if '#' not in url:
        return None
    before, fragment = url.split('#', 1)
    if not fragment or urllib.parse.unquote(fragment).lower() == 'top':
        return None
    t = page if before == '' else target(site, page, before, decoded)
    if t is None or not os.path.isfile(t) or not t.lower().endswith(PAGE_EXTS):
        return None
    return t, fragment


def fragment_works(path, fragment):
    found = anchors_of(path)
    return fragment in found or urllib.parse.unquote(fragment) in found


def fragments_healthy(site, search_json):
    site = os.path.abspath(site)
    total = working = 0
    for page in scanned_files(site):
        if page.lower().endswith('.css'):
            continue
        for _, value in links_of(page):
            link = fragment_link(site, page, value)
            if link:
                total += 1
                working += fragment_works(*link)
    with open(search_json, encoding='utf-8') as f:
        result = json.load(f)
    files = [host_path(row['path']) for row in result['files']]
    reported = false_reports = 0
    for r in result['records']:
        if 'reason' not in r:
            continue
        reported += 1
        link = fragment_link(site, files[r['linkFile']], r['linkUrl'], decoded=True)
        if link and fragment_works(*link):
            false_reports += 1
            print(f"  reported broken but working: {files[r['linkFile']]}: {r['linkUrl']}")
    print(f"fragments of local links to pages: {total} ({working} working, {total - working} broken)")
    print(f"search: {reported} fragment row(s); fragments reported broken that work: {false_reports}")
    return false_reports


def set_anchor(path, name, new):
    """Renames (new: a text) or removes (new: None) the id or a-name attribute(s) of value name in a page."""
    with open(path, 'rb') as f:
        text = f.read().decode('utf-8', 'surrogateescape')
    written = {name, html.escape(name, quote=True), html.escape(name, quote=False)}
    pattern = re.compile(r'(\s)(id|name)(\s*=\s*)(["\']?)(' + '|'.join(re.escape(w) for w in written) + r')\4(?=[\s/>])')
    if new is None:
        text, count = pattern.subn(lambda m: m.group(1) + 'data-was-' + m.group(2) + m.group(3) + m.group(4) + m.group(5) +
                                  m.group(4), text)
    else:
        text, count = pattern.subn(lambda m: m.group(1) + m.group(2) + m.group(3) + m.group(4) +
                                   html.escape(new, quote=True) + m.group(4), text)
    with open(path, 'wb') as f:
        f.write(text.encode('utf-8', 'surrogateescape'))
    anchors_of(path, fresh=True)
    return count


def variant(name):
    """The name as a careless rename writes it: first letter's case turned, '-' and '_' exchanged."""
    swapped = name.translate(str.maketrans('-_', '_-'))
    return (swapped[0].swapcase() + swapped[1:]) if swapped[:1].isalpha() else swapped.upper()


def fragments_reorganise(site, moves_json, share=10):
    site = os.path.abspath(site)
    linked = {}  # (page, anchor) -> number of links, for working fragments
    for page in scanned_files(site):
        if page.lower().endswith('.css'):
            continue
        for _, value in links_of(page):
            link = fragment_link(site, page, value)
            if link and fragment_works(*link):
                key = (link[0], urllib.parse.unquote(link[1]) if urllib.parse.unquote(link[1]) in anchors_of(link[0])
                       else link[1])
                linked[key] = linked.get(key, 0) + 1
    everywhere = {}
    for page in scanned_files(site):
        if not page.lower().endswith('.css'):
            for a in anchors_of(page):
                everywhere[a] = everywhere.get(a, 0) + 1
    # The section: the second half of the linked anchors of the page with the most, moved to another page
    # of its folder (one that holds none of them).
    by_page = {}
    for (page, a) in sorted(linked):
        by_page.setdefault(page, []).append(a)
    section_page = max(sorted(by_page), key=lambda p: len(by_page[p]))
    folder = os.path.dirname(section_page)
    others = sorted(os.path.join(folder, n) for n in os.listdir(folder)
                    if n.lower().endswith(PAGE_EXTS) and os.path.join(folder, n) != section_page)
    moves = []
    if others:
        into = others[0]
        section = [a for a in by_page[section_page][len(by_page[section_page]) // 2:]
                   if a not in anchors_of(into) and everywhere.get(a) == 1]
        added = []
        for a in section:
            if set_anchor(section_page, a, None):
                added.append(f'<span id="{html.escape(a, quote=True)}"></span>')
                moves.append(['moved', os.path.relpath(section_page, site), a, os.path.relpath(into, site), a])
        with open(into, 'rb') as f:
            text = f.read().decode('utf-8', 'surrogateescape')
        at = text.lower().rfind('</body>')
        at = len(text) if at < 0 else at
        text = text[:at] + ''.join(added) + text[at:]
        with open(into, 'wb') as f:
            f.write(text.encode('utf-8', 'surrogateescape'))
        anchors_of(into, fresh=True)
        print(f"section: {len(added)} anchor(s) of {os.path.relpath(section_page, site)} moved to "
              f"{os.path.relpath(into, site)}")
    renamed = 0
    for k, (page, a) in enumerate(sorted(linked)):
        if page == section_page or k % share:
            continue
        new = variant(a)
        if new != a and new not in anchors_of(page) and set_anchor(page, a, new):
            moves.append(['renamed', os.path.relpath(page, site), a, os.path.relpath(page, site), new])
            renamed += 1
    print(f"anchors renamed: {renamed} (1 in {share} linked anchors, by case and '-'/'_')")
    with open(moves_json, 'w', encoding='utf-8') as f:
        json.dump(moves, f)


def fragments_score(before_site, site, moves_json):
    before_site, site = os.path.abspath(before_site), os.path.abspath(site)
    with open(moves_json, encoding='utf-8') as f:
        moves = {(m[1], m[2]): (m[3], m[4]) for m in json.load(f)}
    broken = right = wrong = dropped = left = damaged = 0
    for old_page in scanned_files(before_site):
        if old_page.lower().endswith('.css'):
            continue
        page = os.path.join(site, os.path.relpath(old_page, before_site))
        before, after = links_of(old_page), links_of(page)
        pairs = {}
        matcher = difflib.SequenceMatcher(None, [k for k, _ in before], [k for k, _ in after], autojunk=False)
        for block in matcher.get_matching_blocks():
            for i in range(block.size):
                pairs[block.a + i] = after[block.b + i][1]
        for i, (_, value) in enumerate(before):
            t = target(before_site, old_page, value.split('#')[0]) if value.strip()[:1] != '#' else old_page
            if not works(t):
                continue
            now = pairs.get(i)
            link = fragment_link(before_site, old_page, value)
            new_link = fragment_link(site, page, now) if now is not None else None
            new_target = None if now is None or not now.strip() else (
                page if now.strip()[:1] == '#' else target(site, page, now.split('#')[0]))
            same_file = new_target is not None and os.path.relpath(new_target, site) == os.path.relpath(t, before_site)
            if link is None:
                damaged += not same_file
                continue
            if fragment_works(*link):
                damaged += not (same_file and new_link is not None and
                                urllib.parse.unquote(new_link[1]) == urllib.parse.unquote(link[1]))
                continue
            rel = os.path.relpath(link[0], before_site)
            want = moves.get((rel, urllib.parse.unquote(link[1]))) or moves.get((rel, link[1]))
            if want is None:
                continue  # broken before the reorganisation
            broken += 1
            if new_link is not None and os.path.relpath(new_link[0], site) == want[0] and \
                    urllib.parse.unquote(new_link[1]) == want[1] and fragment_works(*new_link):
                right += 1
            elif same_file and new_link is None:
                dropped += 1
            elif new_link is not None and fragment_works(*new_link):
                wrong += 1
            else:
                left += 1
    print(f"fragments broken by the reorganisation: {broken}")
    print(f"  repaired right: {right}")
    print(f"  repaired wrong: {wrong}")
    print(f"  dropped: {dropped}")
    print(f"  left broken: {left}")
    print(f"working links damaged by the fix: {damaged}")
    return damaged + wrong


def main(argv):
    if len(argv) >= 3 and argv[0] == 'copy':
        copy(argv[1], argv[2])
        return 0
    if len(argv) == 3 and argv[0] == 'healthy':
        return 1 if healthy(argv[1], argv[2]) else 0
    if len(argv) >= 3 and argv[0] == 'reorganise':
        section, renames = None, 5
        rest = argv[3:]
        while rest:
            if rest[0] == '--section' and len(rest) > 1:
                section = rest[1]
            elif rest[0] == '--renames' and len(rest) > 1:
                renames = int(rest[1])
            else:
                break
            rest = rest[2:]
        if not rest:
            reorganise(argv[1], argv[2], section, renames)
            return 0
    if len(argv) == 4 and argv[0] == 'score':
        return 1 if score(argv[1], argv[2], argv[3]) else 0
    if len(argv) == 3 and argv[0] == 'fragments-healthy':
        return 1 if fragments_healthy(argv[1], argv[2]) else 0
    if len(argv) in (3, 5) and argv[0] == 'fragments-reorganise':
        fragments_reorganise(argv[1], argv[2], int(argv[4]) if len(argv) == 5 and argv[3] == '--share' else 10)
        return 0
    if len(argv) == 4 and argv[0] == 'fragments-score':
        return 1 if fragments_score(argv[1], argv[2], argv[3]) else 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
