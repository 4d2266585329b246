#!/usr/bin/env python3
"""Judges corvane-cli on a generated site of today's markup, natively or under Wine.

    modern_site.py [--wine] [--keep] CLI [-- more corvane-cli options]

The site (about forty pages in nested folders, UTF-8 with accented names, one UTF-16 page) has responsive
pictures (srcset of img and source, picture), video, audio, track and poster, object data, forms with action
and formaction, svg image and use, a manifest, cite, refreshes, <base href> pages (a folder of the site, the
top folder, the site's base URL, another site), lazy-loading attributes, style attributes with url(), style
sheets and STYLE blocks with @import "x" and image-set(), data:, blob:, tel:, sms: and geo: links, names
written with &#45; and &#x2D;, and attributes whose names only contain a URL attribute's name (data-href).
Every run gets --no-check-internet-urls and --base-url with the site's address. Links are judged by a resolver
of this script (Python's html.parser; relative to the page's folder or its <base>). Printed, for a fix with
the options given and one with --allow-link-deletion added:
- on the healthy site: files the fix changed (false changes), and files review lists as ORPHAN that a page
  links to (false orphans);
- after files are moved to other folders and a few deleted: moved links repaired right, wrong or left broken,
  working links damaged; links to deleted files deleted, left, or sent to another file; srcset lists changed
  beyond their moved or deleted candidates; whether restore gave back every byte;
- the links to deleted files that review with --allow-link-deletion lists as DELETE, and other DELETE rows.
Exit status 0 when there are no false changes, false orphans, damaged links or changed srcset lists and restore
is byte-exact; 1 otherwise, or when corvane-cli crashed; 2 on bad usage.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import urllib.parse
from html.parser import HTMLParser

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------------------------------------
# The site

SITE_URL = 'http://www.modern-site.example'  # the site's base URL, given to every run with --base-url
HEAD = '<!DOCTYPE html>\n<html%s>\n<head>\n<meta charset="utf-8">\n<title>%s</title>\n%s</head>\n'


def page(title, body, head='', html=''):
    return HEAD % (html, title, head) + '<body>\n' + body + '</body>\n</html>\n'


PAGES = {
    'index.html': page('Accueil — été 2024', '''\
<h1>Bienvenue à la maison</h1>
<picture>
  <source type="image/webp" srcset="img/hero.webp 1x, img/hero-2x.webp 2x">
  <source media="(min-width: 900px)" srcset="img/hero-wide.jpg">
  <img src="img/hero-800.jpg" srcset="img/hero-480.jpg 480w, img/hero-800.jpg 800w, img/hero-1200.jpg 1200w"
       sizes="(max-width: 600px) 480px, 800px" alt="Vue">
</picture>
<img srcset="img/plage-été.jpg 1x,img/plage-été-2x.jpg 2x" src="img/plage-été.jpg" alt="plage">
<p><a href="about/team.html">L’équipe</a> · <a href="about/%C3%A9quipe.html">Équipe</a> ·
<a href="gallery/index.html">Galerie</a> · <a href="media/watch.html">Vidéo</a> ·
<a href="docs/ch01/page-01-01.html">Manuel</a> · <a href="notes&#45;&#45;draft.html">Brouillon</a> ·
<a href="contact/index.html">Contact</a> · <a href="blog/2024/post-one.html">Blog</a></p>
<p><a href="tel:+15550100">Appeler</a> <a href="sms:+15550100">SMS</a> <a href="geo:48.85,2.35">Carte</a>
<a href="mailto:info@example.org">Courriel</a> <img src="data:image/gif;base64,R0lGODlhAQABAAAAACw=" alt=""></p>
<div style="background-image: url('img/tiles/tile-a.png'); border-image: url(&quot;img/tiles/border.png&quot;) 30 round">x</div>
<span style="background: image-set('img/tiles/dot-1x.png' 1x, 'img/tiles/dot-2x.png' 2x)">·</span>
<div style="background: url('img/scan(1).png')">scan</div>
<span style="background: image-set(&quot;img/tiles/star-1x.png&quot; 1x, &quot;img/tiles/star-2x.png&quot; 2x)">*</span>
''', head='''\
<link rel="stylesheet" href="css/main.css">
<style>
@import 'css/print.css';
.banner { background: image-set("img/bg/banner-1x.png" 1x, "img/bg/banner-2x.png" 2x); }
.mark { background: url(img/bg/mark.png) no-repeat; }
</style>
''', html=' lang="fr" manifest="offline.appcache"'),

    'notes--draft.html': page('Draft', '''\
<p>Draft notes. <a href="index.html">Home</a> <img src="img/sign&#x2D;in.png" alt="sign in"></p>
<p><a href="about/team.html" data-href="about/ghost.html">Team</a>
<video src="media/intro.mp4" data-poster="media/ghost.jpg"></video>
<img xsrc="img/ghost.gif" src="img/pixel.gif" alt=""></p>
'''),

    'about/team.html': page('Team', '''\
<p><a href="../index.html">Home</a> <a href="old-team.html">Last year's team</a>
<a href="%C3%A9quipe.html">En français</a></p>
<blockquote cite="sources/speech.html"><p>We build.</p></blockquote>
<p><q cite="sources/interview.html">Always.</q> <ins cite="sources/minutes.html">added</ins>
<del cite="sources/letter.html">removed</del></p>
<table background="../img/bg/table-bg.png"><tr><td background="../img/bg/cell-bg.png">cell</td></tr></table>
'''),
    'about/équipe.html': page('Équipe', '''\
<p>Notre équipe, à Zürich et à Montréal. <a href="team.html">English</a>
<img src="../img/équipe-photo.jpg" alt="équipe"></p>
'''),
    'about/old-team.html': page('Old team', '<p><a href="team.html">Team</a></p>\n'),
    'about/sources/speech.html': page('Speech', '<p>Speech.</p>\n'),
    'about/sources/interview.html': page('Interview', '<p>Interview.</p>\n'),
    'about/sources/minutes.html': page('Minutes', '<p>Minutes.</p>\n'),
    'about/sources/letter.html': page('Letter', '<p>Letter.</p>\n'),

    'media/watch.html': page('Watch', '''\
<video controls poster="intro-poster.jpg" width="640">
  <source src="intro.webm" type="video/webm">
  <source src="intro.mp4" type="video/mp4">
  <track kind="captions" src="captions-en.vtt" srclang="en">
  <track kind="captions" src="captions-fr.vtt" srclang="fr">
</video>
<audio controls src="theme.mp3"></audio>
<audio controls><source src="theme.ogg" type="audio/ogg"></audio>
<object data="../docs/floor-plan.pdf" type="application/pdf" width="300"></object>
<embed src="../docs/leaflet.pdf">
<p><a href="../index.html">Home</a> <a href="blob:https://example.org/1c9a">clip</a></p>
'''),

    'gallery/index.html': page('Gallery', '''\
<p><a href="lazy.html">Lazy</a> <a href="map.html">Map</a> <a href="2024/summer.html">Summer</a></p>
<img src="../img/gallery-07.jpg" alt="7"> <img src="../img/gallery-08.jpg" alt="8">
'''),
    'gallery/lazy.html': page('Lazy', '''\
<img src="../img/pixel.gif" data-src="../img/lazy/photo-01.jpg"
     data-srcset="../img/lazy/photo-01.jpg 1x, ../img/lazy/photo-01-2x.jpg 2x" alt="1">
<img src="../img/pixel.gif" data-src="../img/lazy/photo-02.jpg" alt="2">
<div data-background="../img/lazy/banner.jpg">banner</div>
<section data-src="../media/clip.mp4">clip</section>
<iframe src="map.html" title="map"></iframe>
'''),
    'gallery/map.html': page('Map', '''\
<svg width="200" height="100" xmlns:xlink="http://www.w3.org/1999/xlink">
  <image href="../img/map.png" width="100" height="100"/>
  <image xlink:href="../img/map-old.png" width="100" height="100"/>
  <use href="../img/icons.svg#home"/>
  <use xlink:href="../img/icons-legacy.svg#pin"/>
</svg>
<map name="m"><area href="2024/summer.html" shape="rect" coords="0,0,9,9" alt="s"></map>
'''),
    'gallery/2024/summer.html': page('Summer', '''\
<img src="../../img/gallery-08.jpg" alt="8"> <a href="../index.html">Gallery</a>
<img srcset="../../img/summer-a.jpg 1x, ../../img/summer-b.jpg 2x" src="../../img/summer-a.jpg" alt="a">
'''),

    'contact/index.html': page('Contact', '''\
<form action="send.html" method="post">
  <input name="who"> <input type="image" src="../img/go.png" alt="go">
  <button formaction="preview.html">Preview</button>
  <input type="submit" formaction="../thanks.html" value="Send">
</form>
<p><a href="../index.html">Home</a></p>
'''),
    'contact/send.html': page('Send', '<p>Sent.</p>\n'),
    'contact/preview.html': page('Preview', '<p>Preview.</p>\n'),
    'thanks.html': page('Thanks', '<p>Thanks.</p>\n'),

    'old/moved.html': page('Moved', '<p>This page moved.</p>\n',
                           head='<meta http-equiv="refresh" content="0; url=../news/latest.html">\n'),
    'old/gone.html': page('Gone', '<p>Gone.</p>\n',
                          head='<meta http-equiv="Refresh" content="5;URL=\'../news/archive.html\'">\n'),
    'news/latest.html': page('Latest', '<p><a href="../old/moved.html">old</a> <a href="../old/gone.html">gone</a></p>\n'),
    'news/archive.html': page('Archive', '<p>Archive.</p>\n'),

    # <base href> pages: a folder of the site (twice, the first with an href counts), the top folder, another site.
    'blog/2024/post-one.html': page('Post one', '''\
<p><img src="pics/sunrise.jpg" alt="sunrise"> <a href="2024/post-two.html">Next</a>
<a href="2025/post-three.html">Later</a> <a href="../index.html">Home</a></p>
''', head='<base target="_self">\n<base href="../">\n<base href="../../">\n'),
    'blog/2024/post-two.html': page('Post two', '''\
<p><img src="blog/pics/sunset.jpg" alt="sunset"> <a href="blog/2024/post-one.html">Back</a>
<a href="/index.html">Home</a></p>
''', head='<base href="/">\n'),
    'blog/2025/post-three.html': page('Post three', '''\
<p><img src="img/remote.png" alt="remote"> <a href="feed/rss.xml">Feed</a></p>
''', head='<base href="http://cdn.example.net/assets/">\n'),
    'blog/2025/post-four.html': page('Post four', '''\
<p><img src="pics/feature.jpg" alt="feature"> <a href="2024/post-one.html">First</a></p>
''', head='<base href="%s/blog/">\n' % SITE_URL),
    # Forms of writing: letter case, quotes, blanks, entities, queries and fragments, and lookalike names.
    'gallery/edge.html': page('Edge', '''\
<IMG SRC="../img/edge/upper.jpg" SRCSET="../img/edge/upper-2x.jpg 2x" ALT="">
<img srcset='../img/edge/single-q.jpg 1x' alt="">
<audio><source src=../media/edge-unquoted.ogg type=audio/ogg></audio>
<video POSTER=../img/edge/poster-unq.jpg></video>
<img srcset="data:image/gif;base64,R0lGODlhAQABAAAAACw= 1x, ../img/edge/after-data.jpg 2x" alt="">
<img srcset="../img/edge/q.jpg?v=2 1x,
             ../img/edge/nl.jpg 2x" alt="">
<img src="../img/edge/dup-first.jpg" src="../img/edge/ghost-second.jpg" alt="">
<img srcset="../img/edge/a&#45;b.jpg 1x, ../img/edge/c&#x2D;d.jpg 2x" alt="">
<img srcset="../img/edge/w-300.jpg 300w, ../img/edge/w-600.jpg 600w, ../img/edge/w-900.jpg 900w" sizes="50vw" alt="">
<img srcset="../img/edge/only.jpg 2x" alt="">
<img srcset=../img/edge/only-unq.jpg alt="unquoted">
<p><a href="/docs/rooted.pdf">rooted</a> <a href="../docs/guide.pdf#page=3">guide</a>
<button formaction="../contact/preview.html?mode=full">Preview</button></p>
<svg><use href="#local"/><use xlink:href="../img/edge/sprite.svg#a"/></svg>
<div style="background: url( '../img/edge/spaced.png' ) no-repeat">spaced</div>
<img data-src-retina="../img/edge/ghost-retina.jpg" srcsetx="../img/edge/ghost-x.jpg" src="../img/pixel.gif" alt="">
<img src="blob:https://example.org/5e1d" data-src="../img/edge/lazy-edge.jpg" alt="">
<noscript><img srcset="../img/edge/noscript.jpg 1x" alt=""></noscript>
''', head='''\
<meta http-equiv="refresh" content="30;URL = '../news/archive.html'">
<style>
@import url("../css/edge-a.css") screen;
@import '../css/edge-b.css' print;
.x { background-image: -webkit-image-set("../img/edge/wk-1x.png" 1x, "../img/edge/wk-2x.png" 2x); }
.y { background-image: image-set("../img/edge/t.avif" type("image/avif"), "../img/edge/t.jpg" type("image/jpeg")); }
</style>
'''),

    # A UTF-16 page of the same markup.
    'docs/wide.html': page('Wide', '''\
<picture><source srcset="../img/wide/w1.webp 1x, ../img/wide/w2.webp 2x"><img src="../img/wide/w.jpg" alt=""></picture>
<video poster="../img/wide/wp.jpg"><track src="../media/wide.vtt"></video>
<div style="background: url(../img/wide/wbg.png)" data-src="../img/wide/wlazy.jpg">wide</div>
<p><a href="ch01/page-01-01.html">Chapitre 1</a></p>
''').replace('utf-8', 'utf-16'),
}

# A manual of nested chapters: the bulk of the site, each page with a responsive picture.
for ch in range(1, 4):
    for sec in range(1, 6):
        name = 'docs/ch%02d/page-%02d-%02d.html' % (ch, ch, sec)
        nxt = 'page-%02d-%02d.html' % (ch, sec + 1) if sec < 5 else '../ch%02d/page-%02d-01.html' % (ch % 3 + 1, ch % 3 + 1)
        pic = '../../img/docs/fig-%02d-%02d' % (ch, sec)
        PAGES[name] = page('Chapitre %d, section %d' % (ch, sec), '''\
<p>Section %d — résumé.</p>
<img src="%s.png" srcset="%s.png 1x, %s@2x.png 2x" alt="figure">
<p><a href="%s">Suivante</a> <a href="../../index.html#top">Accueil</a> <a href="#notes">Notes</a></p>
''' % (sec, pic, pic, pic, nxt), head='<link rel="stylesheet" href="../../css/main.css">\n')

STYLES = {
    'css/main.css': '''\
@import "base.css";
@import url(fonts.css);
.hero { background-image: image-set("../img/bg/hero-bg-1x.png" 1x, "../img/bg/hero-bg-2x.png" 2x); }
.icon { background-image: image-set(url("../img/bg/ic-1x.png") 1x, url('../img/bg/ic-2x.png') 2x); }
.logo { background: url(../img/logo.svg) no-repeat; }
.inline { background: url(data:image/gif;base64,R0lGODlhAQABAAAAACw=); }
.check { background: url("data:image/svg+xml;utf8,<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 8 8'>\
<path fill='rgb(20,120,60)' d='M0 4l3 3 5-6'/></svg>") no-repeat; }
''',
    'css/base.css': 'body { background: url(\'../img/bg/paper.png\'); }\n',
    'css/fonts.css': '@font-face { font-family: Site; src: url("../fonts/site.woff2") format("woff2"); }\n',
    'css/print.css': '@media print { .hero { background: url(../img/bg/print.png) } }\n',
}

# Files that are neither pages nor style sheets.
OTHERS = ['img/hero.webp', 'img/hero-2x.webp', 'img/hero-wide.jpg', 'img/hero-480.jpg', 'img/hero-800.jpg',
          'img/hero-1200.jpg', 'img/plage-été.jpg', 'img/plage-été-2x.jpg', 'img/sign-in.png', 'img/pixel.gif',
          'img/équipe-photo.jpg', 'img/gallery-07.jpg', 'img/gallery-08.jpg', 'img/summer-a.jpg',
          'img/summer-b.jpg', 'img/go.png', 'img/map.png', 'img/map-old.png', 'img/icons.svg',
          'img/icons-legacy.svg', 'img/logo.svg', 'img/lazy/photo-01.jpg', 'img/lazy/photo-01-2x.jpg',
          'img/lazy/photo-02.jpg', 'img/lazy/banner.jpg', 'img/tiles/tile-a.png', 'img/tiles/border.png',
          'img/tiles/dot-1x.png', 'img/tiles/dot-2x.png', 'img/tiles/star-1x.png',
          'img/tiles/star-2x.png', 'img/bg/banner-1x.png', 'img/bg/banner-2x.png',
          'img/bg/mark.png', 'img/bg/table-bg.png', 'img/bg/cell-bg.png', 'img/bg/hero-bg-1x.png',
          'img/bg/hero-bg-2x.png', 'img/bg/ic-1x.png', 'img/bg/ic-2x.png', 'img/bg/paper.png', 'img/bg/print.png',
          'fonts/site.woff2', 'offline.appcache', 'media/intro.mp4', 'media/intro.webm', 'media/intro-poster.jpg',
          'media/captions-en.vtt', 'media/captions-fr.vtt', 'media/theme.mp3', 'media/theme.ogg',
          'media/clip.mp4', 'docs/floor-plan.pdf', 'docs/leaflet.pdf', 'blog/pics/sunrise.jpg',
          'blog/pics/sunset.jpg', 'blog/pics/feature.jpg', 'img/scan(1).png', 'media/edge-unquoted.ogg', 'docs/rooted.pdf', 'docs/guide.pdf',
          'css/edge-a.css', 'css/edge-b.css', 'media/wide.vtt'] + ['img/edge/' + n for n in (
              'upper.jpg', 'upper-2x.jpg', 'single-q.jpg', 'poster-unq.jpg', 'after-data.jpg', 'q.jpg', 'nl.jpg',
              'dup-first.jpg', 'a-b.jpg', 'c-d.jpg', 'w-300.jpg', 'w-600.jpg', 'w-900.jpg', 'only.jpg', 'only-unq.jpg',
              'sprite.svg', 'spaced.png', 'lazy-edge.jpg', 'noscript.jpg', 'wk-1x.png', 'wk-2x.png', 't.avif',
              't.jpg')] + ['img/wide/' + n for n in ('w1.webp', 'w2.webp', 'w.jpg', 'wp.jpg', 'wbg.png', 'wlazy.jpg')] + ['img/docs/fig-%02d-%02d%s.png' % (c, s, x)
                                     for c in range(1, 4) for s in range(1, 6) for x in ('', '@2x')]

# Planted: files moved to other folders (their names stay unique in the site) and files deleted.
MOVES = {
    'img/hero-1200.jpg': 'archive/pictures/hero-1200.jpg',         # a candidate of img srcset
    'img/hero-2x.webp': 'archive/pictures/hero-2x.webp',           # a candidate of source srcset
    'img/plage-été-2x.jpg': 'archive/pictures/plage-été-2x.jpg',   # an accented candidate
    'img/docs/fig-02-03@2x.png': 'archive/figures/fig-02-03@2x.png',
    'media/intro-poster.jpg': 'archive/media/intro-poster.jpg',    # poster
    'media/intro.webm': 'archive/media/intro.webm',                # source src of video
    'media/theme.ogg': 'archive/media/theme.ogg',                  # source src of audio
    'media/captions-fr.vtt': 'archive/media/captions-fr.vtt',      # track
    'docs/floor-plan.pdf': 'archive/docs/floor-plan.pdf',          # object data
    'blog/pics/sunrise.jpg': 'blog/2024/photos/sunrise.jpg',       # from the page with <base href="../">
    'blog/pics/sunset.jpg': 'archive/pictures/sunset.jpg',         # from the page with <base href="/">
    'blog/pics/feature.jpg': 'archive/pictures/feature.jpg',       # from the page whose <base> is the base URL
    'img/map.png': 'archive/svg/map.png',                          # svg image href
    'img/icons-legacy.svg': 'archive/svg/icons-legacy.svg',        # svg use xlink:href, with a fragment
    'contact/preview.html': 'archive/pages/preview.html',          # formaction
    'news/latest.html': 'archive/pages/latest.html',               # refresh
    'offline.appcache': 'archive/offline.appcache',                # manifest
    'about/sources/speech.html': 'archive/pages/speech.html',      # cite
    'img/lazy/photo-01-2x.jpg': 'archive/lazy/photo-01-2x.jpg',    # data-srcset candidate
    'img/lazy/banner.jpg': 'archive/lazy/banner.jpg',              # data-background
    'img/tiles/tile-a.png': 'archive/tiles/tile-a.png',            # url() in a style attribute
    'img/tiles/border.png': 'archive/tiles/border.png',            # url(&quot;...&quot;) in a style attribute
    'img/tiles/star-2x.png': 'archive/tiles/star-2x.png',          # image-set(&quot;...&quot;) in one
    'css/print.css': 'archive/css/print.css',                      # @import 'x' in a STYLE block; its url() too
    'css/fonts.css': 'archive/css/fonts.css',                      # @import url(x)
    'img/bg/hero-bg-2x.png': 'archive/bg/hero-bg-2x.png',          # image-set string in a style sheet
    'img/bg/banner-1x.png': 'archive/bg/banner-1x.png',            # image-set string in a STYLE block
    'notes--draft.html': 'archive/pages/notes--draft.html',        # linked as &#45;&#45;; its links move with it
    'img/sign-in.png': 'archive/pictures/sign-in.png',             # linked as &#x2D;
    'img/équipe-photo.jpg': 'archive/pictures/équipe-photo.jpg',
    'img/edge/upper-2x.jpg': 'archive/edge/upper-2x.jpg',          # SRCSET in capitals
    'img/edge/single-q.jpg': 'archive/edge/single-q.jpg',          # single quotes
    'media/edge-unquoted.ogg': 'archive/edge/edge-unquoted.ogg',   # unquoted value
    'img/edge/poster-unq.jpg': 'archive/edge/poster-unq.jpg',      # POSTER unquoted
    'img/edge/after-data.jpg': 'archive/edge/after-data.jpg',      # after a data: candidate with a comma in it
    'img/edge/nl.jpg': 'archive/edge/nl.jpg',                      # after a line break, the first has a query
    'img/edge/c-d.jpg': 'archive/edge/c-d.jpg',                    # &#x2D; in a candidate
    'img/edge/w-600.jpg': 'archive/edge/w-600.jpg',                # between a deleted and a kept candidate
    'docs/rooted.pdf': 'archive/edge/rooted.pdf',                  # /-rooted
    'docs/guide.pdf': 'archive/edge/guide.pdf',                    # with a fragment
    'img/edge/sprite.svg': 'archive/edge/sprite.svg',
    'img/edge/spaced.png': 'archive/edge/spaced.png',              # url( 'x' ) with blanks
    'img/edge/lazy-edge.jpg': 'archive/edge/lazy-edge.jpg',        # data-src beside a blob: src
    'img/edge/noscript.jpg': 'archive/edge/noscript.jpg',
    'css/edge-b.css': 'archive/edge/edge-b.css',                   # @import 'x' print
    'img/edge/wk-2x.png': 'archive/edge/wk-2x.png',                # -webkit-image-set
    'img/edge/t.avif': 'archive/edge/t.avif',                      # image-set with type()
    'img/wide/w2.webp': 'archive/wide/w2.webp',                    # UTF-16 page
    'img/wide/wp.jpg': 'archive/wide/wp.jpg',
    'img/wide/wbg.png': 'archive/wide/wbg.png',
}
DELETED = ['img/hero-480.jpg',           # first candidate of a srcset list
           'img/lazy/photo-02.jpg',      # data-src
           'media/captions-en.vtt',      # track
           'about/old-team.html',        # a href
           'about/sources/letter.html',  # del cite: never deleted
           'img/tiles/dot-2x.png',       # image-set string in a style attribute
           'img/gallery-07.jpg',         # img src
           'contact/send.html',          # form action
           'img/edge/w-300.jpg',         # first candidate, before a moved one
           'img/edge/only.jpg',          # the only candidate
           'img/edge/only-unq.jpg',      # the only candidate of an unquoted list
           'img/wide/wlazy.jpg']         # data-src in the UTF-16 page


def with_ids(text):
    """The page with an id on every element, so that a link keeps its name when a fix removes others."""
    count = iter(range(1, 100000))
    return re.sub(r'<([a-zA-Z][a-zA-Z0-9:-]*)', lambda m: '<%s id="e%d"' % (m.group(1), next(count)), text)


def write_site(top):
    files = {rel: with_ids(text) for rel, text in PAGES.items()}
    files.update(STYLES)
    for rel in OTHERS:
        files[rel] = 'CONTENT OF ' + rel + '\n'
    for rel, text in files.items():
        path = os.path.join(top, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(text.encode('utf-16' if 'charset="utf-16"' in text else 'utf-8'))


def plant(top):
    for old, new in MOVES.items():
        os.makedirs(os.path.dirname(os.path.join(top, new)), exist_ok=True)
        os.rename(os.path.join(top, old), os.path.join(top, new))
    for rel in DELETED:
        os.remove(os.path.join(top, rel))


# ---------------------------------------------------------------------------------------------------------
# The resolver

# Attributes that hold one URL, by tag ('*': any tag).
WHOLE = {('a', 'href'), ('applet', 'src'), ('area', 'href'), ('bgsound', 'src'), ('embed', 'src'),
         ('frame', 'src'), ('iframe', 'src'), ('img', 'src'), ('input', 'src'), ('link', 'href'),
         ('script', 'src'), ('body', 'background'), ('table', 'background'), ('td', 'background'),
         ('tr', 'background'), ('source', 'src'), ('video', 'src'), ('video', 'poster'), ('audio', 'src'),
         ('track', 'src'), ('object', 'data'), ('form', 'action'), ('button', 'formaction'),
         ('input', 'formaction'), ('image', 'href'), ('image', 'xlink:href'), ('use', 'href'),
         ('use', 'xlink:href'), ('html', 'manifest'), ('blockquote', 'cite'), ('q', 'cite'), ('ins', 'cite'),
         ('del', 'cite'), ('*', 'data-src'), ('*', 'data-background')}
SRCSET = {('img', 'srcset'), ('source', 'srcset'), ('*', 'data-srcset')}
NOT_LINKS = ('data:', 'blob:', 'tel:', 'sms:', 'geo:', 'mailto:', 'javascript:')


def srcset_candidates(value):
    """[(url, descriptor)] of a srcset value, split as browsers do."""
    out, p = [], 0
    while True:
        while p < len(value) and (value[p].isspace() or value[p] == ','):
            p += 1
        if p >= len(value):
            return out
        e = p
        while e < len(value) and not value[e].isspace():
            e += 1
        url = value[p:e]
        if url.endswith(','):
            out.append((url.rstrip(','), ''))
            p = e
            continue
        d, depth = e, 0
        while d < len(value) and (value[d] != ',' or depth):
            depth += {'(': 1, ')': -1 if depth else 0}.get(value[d], 0)
            d += 1
        out.append((url, ' '.join(value[e:d].split())))
        p = d


def style_urls(text):
    """The URLs of style text in text order: url() arguments, @import strings, image-set strings."""
    found = []
    for m in re.finditer(r'url\(\s*(?:"([^"]*)"|\'([^\']*)\'|([^)\s]*))\s*\)', text, re.I):
        found.append((m.start(), next((g for g in m.groups() if g is not None), '')))
    for m in re.finditer(r'@import\s+(?:"([^"]*)"|\'([^\']*)\')', text, re.I):
        found.append((m.start(), m.group(1) if m.group(1) is not None else m.group(2)))
    for m in re.finditer(r'image-set\(', text, re.I):
        depth, p = 0, m.end()
        while p < len(text):
            c = text[p]
            if c in '"\'':
                e = text.find(c, p + 1)
                e = len(text) if e < 0 else e
                if depth == 0:
                    found.append((p, text[p + 1:e]))
                p = e + 1
                continue
            if c == '(':
                depth += 1
            elif c == ')':
                if depth == 0:
                    break
                depth -= 1
            p += 1
    return [u for _, u in sorted(found)]


class PageReader(HTMLParser):
    """Every URL of a page with a key that survives a rewrite: (element id, attribute, descriptor or index)."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.refs = []  # (key, url, attribute kind)
        self.srcsets = {}  # (element id, attribute): value
        self.base = None
        self.in_style = 0
        self.styles = 0
        self.elements = 0

    def handle_starttag(self, tag, attrs):
        self.elements += 1
        first = {}
        for name, value in attrs:
            first.setdefault(name, value)
        eid = first.get('id') or '#%d' % self.elements
        if tag == 'base' and self.base is None and first.get('href') is not None:
            self.base = first['href'].strip()
        if tag == 'meta' and (first.get('http-equiv') or '').strip().lower() == 'refresh':
            m = re.search(r'url\s*=\s*([\'"]?)([^\'"]*)\1', first.get('content') or '', re.I)
            if m:
                self.refs.append(((eid, 'content', 0), m.group(2).strip(), 'refresh'))
        for name, value in first.items():
            if value is None:
                continue
            if (tag, name) in WHOLE or ('*', name) in WHOLE and (tag, name) not in SRCSET:
                self.refs.append(((eid, name, 0), value.strip(), tag + ' ' + name))
            elif (tag, name) in SRCSET or ('*', name) in SRCSET:
                self.srcsets[(eid, name)] = value
                for i, (url, desc) in enumerate(srcset_candidates(value)):
                    self.refs.append(((eid, name, desc or i), url, 'srcset'))
            elif name == 'style':
                for i, url in enumerate(style_urls(value)):
                    self.refs.append(((eid, 'style', i), url, 'style'))
        if tag == 'style':
            self.in_style += 1
            self.styles += 1

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag == 'style':
            self.in_style -= 1

    def handle_endtag(self, tag):
        if tag == 'style' and self.in_style:
            self.in_style -= 1

    def handle_data(self, data):
        if self.in_style:
            for i, url in enumerate(style_urls(data)):
                self.refs.append((('<style>%d' % self.styles, 'url', i), url, 'style'))


def decode(data):
    return data.decode('utf-16') if data[:2] in (b'\xff\xfe', b'\xfe\xff') else data.decode('utf-8')


def read_page(top, rel):
    """The reader of a page or style sheet, with its refs as [(key, url, kind)]."""
    text = decode(open(os.path.join(top, rel), 'rb').read())
    reader = PageReader()
    if rel.endswith('.css'):
        reader.refs = [(('css', 'url', i), u, 'css') for i, u in enumerate(style_urls(text))]
    else:
        reader.feed(text)
        reader.close()
    return reader


def find_file(top, rel_path):
    path = os.path.join(top, rel_path)
    if os.path.isfile(path):
        return rel_path
    # Windows file systems ignore letter case: the one name that folds the same.
    folder, leaf = os.path.split(path)
    if not os.path.isdir(folder):
        return None
    same = [n for n in os.listdir(folder) if n.upper() == leaf.upper()]
    return os.path.relpath(os.path.join(folder, same[0]), top).replace(os.sep, '/') if len(same) == 1 else None


EXTERNAL = 'external'


def resolve(top, rel, base, url):
    """The site file (relative, with /) a link names; None when it names none; '' when it is not a file link;
    EXTERNAL for another site."""
    url = url.strip()
    if not url or url.startswith('#') or url.lower().startswith(NOT_LINKS):
        return ''
    if re.match(r'[a-zA-Z][a-zA-Z0-9+.-]*://', url):
        return EXTERNAL
    folder = os.path.dirname(rel)
    if base is not None:
        if base.lower().startswith(SITE_URL + '/'):
            base = base[len(SITE_URL):]
        if re.match(r'[a-zA-Z][a-zA-Z0-9+.-]*://', base):
            return EXTERNAL
        bpath = urllib.parse.unquote(base.split('#')[0].split('?')[0])
        folder = bpath[1:] if bpath.startswith('/') else os.path.join(folder, bpath)
        folder = folder if folder.endswith('/') or not folder else os.path.dirname(folder)
    name = urllib.parse.unquote(url.split('#')[0].split('?')[0])
    if not name:
        return ''
    path = os.path.normpath(name[1:] if name.startswith('/') else os.path.join(folder, name))
    if path.startswith('..') or os.path.isabs(path):
        return None
    return find_file(top, path.replace(os.sep, '/'))


def site_files(top):
    out = []
    for dirpath, _, names in os.walk(top):
        for n in names:
            out.append(os.path.relpath(os.path.join(dirpath, n), top).replace(os.sep, '/'))
    return sorted(out)


def all_refs(top):
    """{(file, key): (url, kind, resolved)} of every page and style sheet of the site."""
    out = {}
    for rel in site_files(top):
        if not rel.endswith(('.html', '.css')):
            continue
        reader = read_page(top, rel)
        for key, url, kind in reader.refs:
            got = resolve(top, rel, reader.base, url)
            if got != '':
                out[(rel, key)] = (url, kind, got)
    return out


# ---------------------------------------------------------------------------------------------------------
# Runs

class Runner:
    def __init__(self, cli, wine):
        self.cli, self.wine = cli, wine
        self.crashed = []

    def run(self, command, top, options):
        if self.wine:
            args = [os.path.join(HERE, '..', 'scripts', 'wine-run.sh'), self.cli, command] + list(options) + [
                'Z:' + top.replace('/', '\\')]
        else:
            args = [self.cli, command] + list(options) + [top]
        p = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if p.returncode < 0 or p.returncode > 2:
            self.crashed.append('%s %s: status %d' % (command, ' '.join(options), p.returncode))
        return p.stdout.decode('utf-8', 'replace')

    def json(self, command, top, options):
        out = self.run(command, top, list(options) + ['--json'])
        try:
            return json.loads(out[out.index('{'):])
        except ValueError:
            self.crashed.append('%s: no JSON' % command)
            return {'rows': []}


def without_backups(top):
    for dirpath, _, names in os.walk(top):
        for n in names:
            if n.endswith('.bak'):
                os.remove(os.path.join(dirpath, n))


def differing(a, b):
    """Files (relative) present in only one tree, or with other bytes."""
    fa, fb = set(site_files(a)), set(site_files(b))
    out = sorted(fa ^ fb)
    for rel in sorted(fa & fb):
        if open(os.path.join(a, rel), 'rb').read() != open(os.path.join(b, rel), 'rb').read():
            out.append(rel)
    return out


def orphan_paths(review, top, wine):
    """ORPHAN rows of a review, as paths relative to top."""
    out = []
    prefix = ('Z:' + top.replace('/', '\\') + '\\').lower()
    for row in review.get('rows', []):
        m = re.match(r'ORPHAN: "(.*)"$', row['text'])
        if m and m.group(1).lower().startswith(prefix):
            out.append(m.group(1)[len(prefix):].replace('\\', '/'))
    return out


def srcset_values(top):
    """{(file, element id, attribute): value} of every srcset-like attribute."""
    return {(rel, eid, name): value for rel in site_files(top) if rel.endswith('.html')
            for (eid, name), value in read_page(top, rel).srcsets.items()}


def srcset_faults(before, after, deleted_urls):
    """srcset lists whose text is not the old one with only moved URLs changed and deleted candidates gone."""
    faults = []
    for key, old in before.items():
        new = after.get(key, '')
        kept = [(u, d) for u, d in srcset_candidates(old) if u not in deleted_urls]
        if not kept and not new.strip():
            continue
        now = srcset_candidates(new)
        if len(now) != len(kept) or any(d1 != d2 for (_, d1), (_, d2) in zip(kept, now)):
            faults.append((key, old, new))
            continue
        if re.match(r'\s*,', new) or re.search(r',\s*$', new) or re.search(r',\s*,', new):
            faults.append((key, old, new))
            continue
        # Text between the URLs is as it was, when nothing was deleted.
        if len(kept) == len(srcset_candidates(old)):
            rebuilt = new
            for (u_old, _), (u_new, _) in zip(kept, now):
                rebuilt = rebuilt.replace(u_new, u_old, 1) if u_new != u_old else rebuilt
            if rebuilt != old:
                faults.append((key, old, new))
    return faults


def moved_name(rel):
    return MOVES.get(rel, rel)


def judge_fix(runner, work, label, options, healthy_refs):
    """Fixes a fresh planted copy with options; the figures of the outcome."""
    top = os.path.join(work, label)
    write_site(top)
    plant(top)
    unfixed = top + '.orig'
    shutil.copytree(top, unfixed)
    before = all_refs(top)
    srcsets_before = srcset_values(top)
    runner.run('fix', top, options)
    after = all_refs(top)
    f = dict(right=0, wrong=0, broken=0, damaged=0, deleted=0, redirected=0, left=0, cite_kept=0, cite=0)
    faults = []
    for (rel, key), (url, kind, target) in healthy_refs.items():
        if rel in DELETED:
            continue
        page_now = moved_name(rel)
        intended = None if target in DELETED else moved_name(target)
        was = before.get((page_now, key))
        now = after.get((page_now, key))
        got = now[2] if now else None
        if intended is None:
            if kind.endswith(' cite'):
                f['cite'] += 1
                f['cite_kept'] += 1 if now and now[0] == was[0] else 0
            elif now is None:
                f['deleted'] += 1
            elif got is None:
                f['left'] += 1
                if '--allow-link-deletion' in options:
                    faults.append(('not deleted', page_now, key, url, now[0]))
            else:
                f['redirected'] += 1
                faults.append(('redirected', page_now, key, url, now[0]))
            continue
        if was and was[2] == intended:
            if got != intended:
                f['damaged'] += 1
                faults.append(('damaged', page_now, key, was[0], now[0] if now else None))
        elif got == intended:
            f['right'] += 1
        elif now is None or got is None:
            f['broken'] += 1
            faults.append(('left broken', page_now, key, was[0] if was else None, now[0] if now else None))
        else:
            f['wrong'] += 1
            faults.append(('wrong', page_now, key, was[0] if was else None, now[0]))
    # A link that was not there before is damage too.
    for k in after:
        if k not in before:
            f['damaged'] += 1
            faults.append(('added', k[0], k[1], None, after[k][0]))
    deleted_urls = {u for (u, kind, t) in healthy_refs.values() if t in DELETED and kind == 'srcset'} \
        if '--allow-link-deletion' in options else set()
    f['srcset'] = srcset_faults(srcsets_before, srcset_values(top), deleted_urls)
    runner.run('restore', top, [])
    without_backups(top)
    f['restored'] = not differing(top, unfixed)
    f['faults'] = faults
    return f


def main(argv):
    extra = argv[argv.index('--') + 1:] if '--' in argv else []
    argv = argv[:argv.index('--')] if '--' in argv else argv
    wine = '--wine' in argv
    keep = '--keep' in argv
    rest = [a for a in argv if not a.startswith('--')]
    if len(rest) != 1 or any(a not in ('--wine', '--keep') for a in argv if a.startswith('--')):
        print(__doc__, file=sys.stderr)
        return 2
    cli = os.path.abspath(rest[0])
    if not os.path.isfile(cli):
        print('modern_site.py: no such program: %s' % rest[0], file=sys.stderr)
        return 2
    runner = Runner(cli, wine)
    work = tempfile.mkdtemp(prefix='modern-site-')
    healthy = os.path.join(work, 'healthy')
    write_site(healthy)
    healthy_refs = all_refs(healthy)
    # The site must be healthy by this resolver's reading, and moved names unique (moves are found by name).
    broken = [(k, v) for k, v in healthy_refs.items() if v[2] is None]
    names = [os.path.basename(p) for p in site_files(healthy)]
    if broken or any(names.count(os.path.basename(m)) != 1 for m in MOVES):
        print('modern_site.py: the generated site is not healthy: %s' % (broken or 'names repeat'), file=sys.stderr)
        shutil.rmtree(work)
        return 2
    referenced = {v[2] for v in healthy_refs.values() if v[2] != EXTERNAL}

    option_sets = [('default', list(extra)), ('--allow-link-deletion', list(extra) + ['--allow-link-deletion'])]
    base_options = ['--no-check-internet-urls', '--base-url', SITE_URL]
    review = runner.json('review', healthy, base_options + extra)
    false_orphans = sorted(set(orphan_paths(review, healthy, wine)) & referenced)
    results = []
    for label, options in option_sets:
        copy = os.path.join(work, 'healthy-' + str(len(results)))
        shutil.copytree(healthy, copy)
        runner.run('fix', copy, base_options + options)
        without_backups(copy)
        changed = differing(healthy, copy)
        f = judge_fix(runner, work, 'moved-' + str(len(results)), base_options + options, healthy_refs)
        f['changed'] = changed
        results.append((label, f))

    # The deletions review proposes, with deletion allowed: row counts by URL as written.
    planted = os.path.join(work, 'planted')
    write_site(planted)
    plant(planted)
    review = runner.json('review', planted, base_options + extra + ['--allow-link-deletion'])
    rows = {}
    for row in review.get('rows', []):
        m = re.match(r'DELETE \((\d+)\): "(.*)"$', row['text'])
        if m:
            rows[m.group(2)] = rows.get(m.group(2), 0) + int(m.group(1))
    missing = [(rel, url, kind) for (rel, key), (url, kind, t) in healthy_refs.items()
               if t in DELETED and rel not in DELETED and not kind.endswith(' cite')]
    cites = [url for (rel, key), (url, kind, t) in healthy_refs.items() if t in DELETED and kind.endswith(' cite')]
    cites_listed = sum(1 for url in cites if rows.get(url, 0) > 0)
    listed, unlisted = 0, []
    for rel, url, kind in missing:
        if rows.get(url, 0) > 0:
            rows[url] -= 1
            listed += 1
        else:
            unlisted.append((rel, url, kind))
    other_deletes = sum(rows.values())

    where = 'wine' if wine else 'native'
    print('%s, %d files, %d links; %d files moved, breaking %d links; %d deleted; options: %s' % (
        where, len(site_files(healthy)), len(healthy_refs), len(MOVES),
        sum(results[0][1][k] for k in ('right', 'wrong', 'broken')), len(DELETED),
        ' '.join(base_options + extra) or '-'))
    print('%-24s %7s %7s %6s %6s %7s %7s %7s %7s %7s %7s %8s' % (
        'fix options', 'false', 'false', 'right', 'wrong', 'left', 'damaged', 'missing', 'missing', 'missing',
        'srcset', 'restore'))
    print('%-24s %7s %7s %6s %6s %7s %7s %7s %7s %7s %7s %8s' % (
        '', 'changes', 'orphans', '', '', 'broken', '', 'deleted', 'left', 'redir.', 'faults', 'exact'))
    ok = not runner.crashed and not false_orphans
    for label, f in results:
        print('%-24s %7d %7d %6d %6d %7d %7d %7d %7d %7d %7d %8s' % (
            label, len(f['changed']), len(false_orphans), f['right'], f['wrong'], f['broken'], f['damaged'],
            f['deleted'], f['left'], f['redirected'], len(f['srcset']), 'yes' if f['restored'] else 'NO'))
        ok = ok and not f['changed'] and not f['damaged'] and not f['srcset'] and f['restored']
    print('review with --allow-link-deletion: links to deleted files listed as DELETE %d of %d; other DELETE rows %d'
          % (listed, len(missing), other_deletes))
    print('cite of a deleted file (never deleted): listed as DELETE %d of %d; kept by the fix: %s' % (
        cites_listed, len(cites), ', '.join('%s %d of %d' % (label, f['cite_kept'], f['cite']) for label, f in results)))
    for rel in false_orphans:
        print('  false orphan: %s' % rel)
    for rel, url, kind in unlisted:
        print('  not listed as DELETE: %s in %s (%s)' % (url, rel, kind))
    for label, f in results:
        for rel in f['changed']:
            print('  %s: healthy file changed: %s' % (label, rel))
        for fault in f['faults']:
            print('  %s: %s in %s %s: %r -> %r' % ((label,) + fault))
        for key, old, new in f['srcset']:
            print('  %s: srcset of %s: %r -> %r' % (label, key, old, new))
    for row in review.get('rows', []):
        m = re.match(r'DELETE \((\d+)\): "(.*)"$', row['text'])
        if m and m.group(2) not in {u for _, u, _ in missing}:
            print('  other DELETE row: %s' % row['text'])
    for c in runner.crashed:
        print('  corvane-cli failed: %s' % c)
    if keep:
        print('kept', work)
    else:
        shutil.rmtree(work)
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
