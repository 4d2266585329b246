#!/usr/bin/env python3
"""Judges corvane-cli on a real site with a link resolver of its own (a web server's view of the files).

    real_sites.py copy SRC DST                 copy a tree, following symbolic links, dropping dangling ones
    real_sites.py healthy SITE SEARCH_JSON     figures of a search of an untouched site
    real_sites.py reorganise SITE MOVES_JSON [--section REL] [--renames N]
    real_sites.py score HEALTHY SITE MOVES_JSON   figures of a fix of the reorganised copy SITE
"""
import difflib
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
    sys.stderr.write(__doc__)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
