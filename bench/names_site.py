#!/usr/bin/env python3
"""Judges corvane-cli on a generated site whose file names are not plain ASCII, natively or under Wine.

    names_site.py [--wine] [--keep] CLI [-- more corvane-cli options, e.g. --allow-link-deletion]

The site has names with Latin accents, Cyrillic, CJK, an emoji and a blank; its pages are UTF-8 with raw and
%XX links, one undeclared Windows-1252 page (raw bytes and %XX of that code page), one UTF-16 page and a style
sheet with url(...) to pictures. Printed:
false changes of a fix of the healthy site, then, after one folder is moved down a level, the links a fix
repaired right or wrong, left broken, and working links it damaged (a canonical form, a blank written %20, is
counted apart); and whether restore gave back every byte.
Exit status 0 when there are no false changes and no damaged links, 1 otherwise, 2 on bad usage.
"""
import filecmp
import os
import re
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
LINK = re.compile(r'(?:href|src)="([^"]*)"|url\(([^)]*)\)')

# Every file: its path under the site, and the files it links to with the way each link is written.
# raw: the name as it is; esc: %XX of its UTF-8 bytes; cp: raw Windows-1252; cpesc: %XX of Windows-1252.
PICTURES = ['картинки/фото 1.png', 'images/😀 smile.png', 'images/straße.gif']
PAGES = {
    'index.html': ('utf-8', [('café.html', 'raw'), ('café.html', 'esc'), ('ñ/你好.html', 'esc'),
                             ('ñ/你好.html', 'raw'), ('Документы/отчёт.html', 'raw'), ('old page.html', 'esc'),
                             ('wide.html', 'raw'), ('images/😀 smile.png', 'esc'), ('images/straße.gif', 'raw'),
                             ('style.css', 'raw')]),
    'style.css': ('utf-8', [('images/😀 smile.png', 'raw'), ('картинки/фото 1.png', 'esc')]),
    'café.html': ('utf-8', [('index.html', 'raw'), ('картинки/фото 1.png', 'esc'), ('ÉTÉ/Été.html', 'raw')]),
    'ñ/你好.html': ('utf-8', [('../index.html', 'raw'), ('../Документы/отчёт.html', 'esc'),
                            ('../images/😀 smile.png', 'raw')]),
    'Документы/отчёт.html': ('utf-8', [('../café.html', 'esc'), ('../картинки/фото 1.png', 'raw'),
                                       ('../ñ/你好.html', 'raw')]),
    'ÉTÉ/Été.html': ('utf-8', [('../café.html', 'raw'), ('../old page.html', 'raw')]),
    'old page.html': ('cp1252', [('café.html', 'cp'), ('café.html', 'cpesc'), ('ÉTÉ/Été.html', 'cp'),
                                 ('images/straße.gif', 'cpesc'), ('images/straße.gif', 'cp')]),
    'wide.html': ('utf-16', [('ñ/你好.html', 'raw'), ('картинки/фото 1.png', 'raw'), ('café.html', 'esc'),
                             ('images/😀 smile.png', 'raw')]),
}
MOVED = ('картинки', 'images')  # folders of pictures moved down into a new folder


def written(target, how):
    if how == 'raw':
        return target
    if how == 'esc':
        return urllib.parse.quote(target, safe='/.')
    if how == 'cp':
        return target
    return urllib.parse.quote(target.encode('cp1252'), safe='/.')


def write_site(top):
    for pic in PICTURES:
        os.makedirs(os.path.join(top, os.path.dirname(pic)), exist_ok=True)
        with open(os.path.join(top, pic), 'wb') as f:
            f.write(b'PICTURE ' + pic.encode('utf-8'))
    for page, (enc, links) in PAGES.items():
        os.makedirs(os.path.join(top, os.path.dirname(page)), exist_ok=True)
        head = '<meta charset="utf-8">' if enc == 'utf-8' else ''
        if page.endswith('.css'):
            text = ''.join('.c%d { background: url(%s) }\n' % (i, written(t, how)) for i, (t, how) in enumerate(links))
        else:
            body = ''.join('<img src="%s">\n' % written(t, how) if t.endswith(('.png', '.gif'))
                           else '<link href="%s" rel="stylesheet">\n' % written(t, how) if t.endswith('.css')
                           else '<a href="%s">%d</a>\n' % (written(t, how), i) for i, (t, how) in enumerate(links))
            text = '<html><head>%s</head><body>\n%s</body></html>\n' % (head, body)
        data = text.encode('utf-16') if enc == 'utf-16' else text.encode(enc)
        with open(os.path.join(top, page), 'wb') as f:
            f.write(data)


def page_links(path):
    """The URLs of a page in document order, as Unicode, with the encoding the page was read in."""
    data = open(path, 'rb').read()
    if data[:2] in (b'\xff\xfe', b'\xfe\xff'):
        return data.decode('utf-16'), 'utf-16'
    try:
        return data.decode('utf-8'), 'utf-8'
    except UnicodeDecodeError:
        return data.decode('cp1252'), 'cp1252'


def resolve(top, page, url):
    """The file a web server (or the file system) gives for url in page, or None."""
    url = url.strip().strip('"\'').split('#')[0]
    raw = urllib.parse.unquote_to_bytes(url.encode('utf-8', 'surrogatepass'))
    try:
        name = raw.decode('utf-8')
    except UnicodeDecodeError:
        name = raw.decode('cp1252')
    path = os.path.normpath(os.path.join(top, os.path.dirname(page), name))
    if not os.path.isfile(path):
        # Windows file systems ignore letter case: look for the one name that folds the same.
        folder, leaf = os.path.split(path)
        if not os.path.isdir(folder):
            return None
        same = [n for n in os.listdir(folder) if n.upper() == leaf.upper()]
        if len(same) != 1:
            return None
        path = os.path.join(folder, same[0])
    return os.path.relpath(path, top)


def links_of(top, page):
    text, _ = page_links(os.path.join(top, page))
    return [a or b for a, b in LINK.findall(text)]


def run(cli, wine, command, top, extra=()):
    if wine:
        args = [os.path.join(HERE, '..', 'scripts', 'wine-run.sh'), cli, command] + list(extra) + [
            'Z:' + top.replace('/', '\\')]
    else:
        args = [cli, command] + list(extra) + [top]
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT).returncode


def main(argv):
    extra = argv[argv.index('--') + 1:] if '--' in argv else []
    argv = argv[:argv.index('--')] if '--' in argv else argv
    wine = '--wine' in argv
    keep = '--keep' in argv
    rest = [a for a in argv if not a.startswith('--')]
    if len(rest) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    cli = os.path.abspath(rest[0])
    work = tempfile.mkdtemp(prefix='names-site-')
    healthy = os.path.join(work, 'healthy')
    write_site(healthy)
    before = os.path.join(work, 'healthy.orig')
    shutil.copytree(healthy, before)
    run(cli, wine, 'fix', healthy, extra)
    # A canonical form (a blank written %20) names the same file: counted apart, not as a false change.
    false_changes = canonical = 0
    for page in PAGES:
        for a, b in zip(links_of(before, page), links_of(healthy, page)):
            if a == b:
                continue
            if resolve(healthy, page, b) == resolve(before, page, a) is not None:
                canonical += 1
            else:
                false_changes += 1

    moved = os.path.join(work, 'moved')
    write_site(moved)
    os.makedirs(os.path.join(moved, 'media'))
    for folder in MOVED:
        os.rename(os.path.join(moved, folder), os.path.join(moved, 'media', folder))
    where = lambda t: 'media/' + t if t.split('/')[0] in MOVED else t
    intended = {}
    working = {}
    for page, (_, links) in PAGES.items():
        base = os.path.dirname(page)
        for i, (target, _) in enumerate(links):
            want = os.path.normpath(where(os.path.normpath(os.path.join(base, target))))
            intended[(page, i)] = want
    for page in PAGES:
        for i, url in enumerate(links_of(moved, page)):
            working[(page, i)] = resolve(moved, page, url) == intended[(page, i)]
    unfixed = os.path.join(work, 'moved.orig')
    shutil.copytree(moved, unfixed)
    run(cli, wine, 'fix', moved, extra)
    right = wrong = broken = damaged = 0
    for page in PAGES:
        for i, url in enumerate(links_of(moved, page)):
            got = resolve(moved, page, url)
            ok = got == intended[(page, i)]
            if working[(page, i)]:
                damaged += 0 if ok else 1
            elif ok:
                right += 1
            elif got is None:
                broken += 1
            else:
                wrong += 1
    run(cli, wine, 'restore', moved)
    for dirpath, _, names in os.walk(moved):
        for n in names:
            if n.endswith('.bak'):
                os.remove(os.path.join(dirpath, n))
    same = not filecmp.dircmp(moved, unfixed).diff_files and all(
        filecmp.cmp(os.path.join(moved, p), os.path.join(unfixed, p), shallow=False) for p in PAGES)

    print('%s: false changes on the healthy site %d (canonical forms %d); after moving %s: repaired right %d, '
          'wrong %d, left broken %d, working links damaged %d; restore byte-exact: %s'
          % ('wine' if wine else 'native', false_changes, canonical, ' and '.join(MOVED), right, wrong, broken, damaged,
             'yes' if same else 'NO'))
    if keep:
        print('kept', work)
    else:
        shutil.rmtree(work)
    return 0 if false_changes == 0 and damaged == 0 and same else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
