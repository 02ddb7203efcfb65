#!/usr/bin/env python3
"""Writes the XML reader's test documents (tests/data/xml) and the fuzzer's seeds
(fuzz/seeds/fuzz_xml). Reproducible: the same bytes on every run."""
import os

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests", "data", "xml")
SEEDS = os.path.join(ROOT, "fuzz", "seeds", "fuzz_xml")

MODEL = """<?xml version="1.0" encoding="utf-8"?>
<!-- a two-triangle quad -->
<KyrelModelFormat>
  <model name="quad" numsubobjects="1" nummaterials="1" numofparallaxmap="1">
    <material name="stone" opacity="1.0">
      <ambient r="0.2" g="0.2" b="0.2" a="1"/>
      <diffuse r="0.8" g="0.8" b="0.8" a="1"/>
      <specular r="0" g="0" b="0" a="1"/>
      <texture colormap="Data/stone.tga"/>
    </material>
    <parallaxmap><texture heightmap="Data/stone_h.tga"/></parallaxmap>
    <object name="plane" numvertices="4" numfaces="2">
      <position x="0" y="0" z="0"/>
      <orientation angle="0" x="0" y="1" z="0"/>
      <vertex x="-1" y="-1" z="0" u0="0" v0="0" u1="0" v1="0" u2="0" v2="0" u3="0" v3="0" r="1" g="1" b="1" a="1"/>
      <vertex x="1" y="-1" z="0" u0="1" v0="0" u1="0" v1="0" u2="0" v2="0" u3="0" v3="0" r="1" g="1" b="1" a="1"/>
      <vertex x="1" y="1" z="0" u0="1" v0="1" u1="0" v1="0" u2="0" v2="0" u3="0" v3="0" r="1" g="1" b="1" a="1"/>
      <vertex x="-1" y="1" z="0" u0="0" v0="1" u1="0" v1="0" u2="0" v2="0" u3="0" v3="0" r="1" g="1" b="1" a="1"/>
      <face a="0" b="1" c="2" materialindex="0" parallaxmapindex="0"/>
      <face a="0" b="2" c="3" materialindex="0" parallaxmapindex="0"/>
    </object>
  </model>
</KyrelModelFormat>
"""

# A document with non-ASCII text and a character outside the basic plane (a surrogate pair).
UNICODE = '<?xml version="1.0"?>\n<doc lang="de">Gr\u00fc\u00dfe \u20ac \U0001F600</doc>\n'


def write(directory, name, data):
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as f:
        f.write(data)


def main():
    write(DATA, "model.xml", MODEL.encode("utf-8"))
    write(DATA, "utf8_bom.xml", b"\xef\xbb\xbf" + UNICODE.encode("utf-8"))
    write(DATA, "utf16le_bom.xml", b"\xff\xfe" + UNICODE.encode("utf-16-le"))
    write(DATA, "utf16be_bom.xml", b"\xfe\xff" + UNICODE.encode("utf-16-be"))
    write(DATA, "utf16le_nomark.xml", UNICODE.encode("utf-16-le"))
    write(DATA, "utf16be_nomark.xml", UNICODE.encode("utf-16-be"))
    # An unpaired high surrogate after the mark: not valid UTF-16.
    write(DATA, "utf16le_broken.xml", b"\xff\xfe" + "<a>".encode("utf-16-le") + b"\x00\xd8<\x00")
    write(DATA, "latin1.xml",
          '<?xml version="1.0" encoding="ISO-8859-1"?>\n<doc>caf\u00e9 na\u00efve</doc>\n'
          .encode("latin-1"))
    write(DATA, "empty.xml", b"")
    write(DATA, "unmatched.xml", b"<a>\n  <b>\n</a>\n")
    write(DATA, "no_first_tag.xml", b"<?xml version=\"1.0\"?>\n<Other/>\n")

    seeds = {
        "model.xml": MODEL.encode("utf-8"),
        "unmatched.xml": b"<a><b></a>",
        "top_unmatched.xml": b"<a></b>",
        "attributes.xml": b"<a x=\"1\" y z='2'/>",
        "declaration.xml": b"<?xml version=\"1.0\"?><KyrelModelFormat/>",
        "entities.xml": b"<a>&AMP;&#65;&#x42;&lt;&gt;&quot;&apos;</a>",
        "bad_entity.xml": b"<a>&foo;</a>",
        "clear.xml": b"<!-- <b> --><a><![CDATA[<x>]]><PRE> p </PRE><Script>s</Script></a>",
        "doctype.xml": b"<!DOCTYPE a [<!ENTITY e \"x\">]><a/>",
        "unterminated.xml": b"<a><!-- unterminated",
        "text_at_end.xml": b"<a>text",
        "quotes.xml": b"<a>it's \"quoted\" 'x <b/></a>",
        "utf8.xml": UNICODE.encode("utf-8"),
        "utf16le.xml": b"\xff\xfe" + UNICODE.encode("utf-16-le"),
        "nested.xml": b"<a>" * 64 + b"</a>" * 64,
    }
    for name, data in seeds.items():
        write(SEEDS, name, data)


if __name__ == "__main__":
    main()
