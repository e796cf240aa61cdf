#!/usr/bin/python3
# Writes the flat-ODF sources of lo_edits.xls, lo_titles.xls and lo_extref.xls (with
# ext_source.fods, the file lo_extref refers to) into a folder, for LibreOffice to convert.
# Usage: lo_edits.py OUT_DIR PNG_FILE
import base64
import sys

out, png = sys.argv[1], sys.argv[2]
NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
      'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
      'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
      'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
      'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
      'xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" '
      'xmlns:xlink="http://www.w3.org/1999/xlink" xmlns:dc="http://purl.org/dc/elements/1.1/" '
      'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" '
      'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" '
      'xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0" '
      'office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.spreadsheet"')


def document(body, head=""):
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document ' + NS + '>\n'
            '<office:styles><style:style style:name="Bad" style:family="table-cell">'
            '<style:table-cell-properties fo:background-color="#ff8080"/></style:style>'
            '</office:styles>\n<office:body><office:spreadsheet>\n' + head + body +
            '\n</office:spreadsheet></office:body></office:document>\n')


def num(v, extra=""):
    return '<table:table-cell%s office:value-type="float" office:value="%s"><text:p>%s</text:p></table:table-cell>' % (extra, v, v)


def text(s, extra=""):
    return '<table:table-cell%s office:value-type="string"><text:p>%s</text:p></table:table-cell>' % (extra, s)


def formula(f, extra=""):
    return '<table:table-cell%s table:formula="of:=%s" office:value-type="float" office:value="0"><text:p>0</text:p></table:table-cell>' % (extra, f)


EMPTY = '<table:table-cell/>'


def row(*cells):
    return '<table:table-row>' + ''.join(cells) + '</table:table-row>'


def empty_rows(n):
    return '<table:table-row table:number-rows-repeated="%d"><table:table-cell/></table:table-row>' % n


def write(name, content):
    with open("%s/%s" % (out, name), "w", encoding="utf-8") as f:
        f.write(content)


# lo_edits: array formulas, data validation and conditional formats whose formulas refer to
# cells, a hyperlink, a note and a picture on "Calcul"; a sheet-local name on "Source".
picture = base64.b64encode(open(png, "rb").read()).decode()
validation = ('<table:content-validations><table:content-validation table:name="val1" '
              'table:condition="of:cell-content-is-whole-number() and cell-content-is-between(0,[.$B$8])" '
              'table:allow-empty-cell="true" table:base-cell-address="Calcul.C1"/>'
              '</table:content-validations>\n')
rows = []
for i in range(1, 7):
    cells = [num(i), num(10 * i), num(i, ' table:content-validation-name="val1"'), num(5 * i)]
    if i == 3:
        cells.append('<table:table-cell table:formula="of:=[.A1:.A3]*[.B1:.B3]" '
                     'table:number-matrix-columns-spanned="1" table:number-matrix-rows-spanned="3" '
                     'office:value-type="float" office:value="10"><text:p>10</text:p></table:table-cell>')
    elif i in (4, 5):
        cells.append('<table:covered-table-cell office:value-type="float" office:value="0"><text:p>0</text:p></table:covered-table-cell>')
    else:
        cells.append(EMPTY)
    cells.append(EMPTY)
    if i == 1:
        cells.append('<table:table-cell table:formula="of:=SUM([.A1:.A6]*[.B1:.B6])" '
                     'table:number-matrix-columns-spanned="1" table:number-matrix-rows-spanned="1" '
                     'office:value-type="float" office:value="910"><text:p>910</text:p></table:table-cell>')
    elif i == 3:
        cells.append('<table:table-cell office:value-type="string"><text:p>'
                     '<text:a xlink:href="https://example.org/journal" xlink:type="simple">Journal</text:a>'
                     '</text:p></table:table-cell>')
    else:
        cells.append(EMPTY)
    rows.append(row(*cells))
rows.append(empty_rows(1))
rows.append(row(text("Plafond"), num(100)))
rows.append(row(text("Seuil"), num(25)))
rows.append(empty_rows(2))
rows.append(row('<table:table-cell office:value-type="string"><office:annotation office:display="true" '
                'svg:width="3cm" svg:height="2.5cm" svg:x="3cm" svg:y="5.8cm">'
                '<dc:creator>Testeur</dc:creator><dc:date>2024-03-01T10:00:00</dc:date>'
                '<text:p>Note coupée</text:p></office:annotation><text:p>Noté</text:p></table:table-cell>'))
rows.append(empty_rows(1))
rows.append(row(EMPTY, '<table:table-cell><draw:frame draw:z-index="1" draw:name="Logo" svg:width="3cm" '
                'svg:height="3cm" svg:x="0.1cm" svg:y="0.1cm" table:end-cell-address="Calcul.D20" '
                'table:end-x="0.3cm" table:end-y="0.2cm"><draw:image><office:binary-data>' + picture +
                '</office:binary-data></draw:image></draw:frame></table:table-cell>'))
rows.append(empty_rows(8))
rows.append(row(text("Fin")))
conditional = ('<calcext:conditional-formats><calcext:conditional-format '
               'calcext:target-range-address="Calcul.D1:Calcul.D6"><calcext:condition '
               'calcext:apply-style-name="Bad" calcext:value="&gt;$B$9" '
               'calcext:base-cell-address="Calcul.D1"/></calcext:conditional-format>'
               '</calcext:conditional-formats>')
calcul = '<table:table table:name="Calcul">' + ''.join(rows) + conditional + '</table:table>\n'
source = ('<table:table table:name="Source">' + row(num(10), formula("SUM([.LocalA])".replace("[.LocalA]", "LocalA"))) +
          row(num(20)) + row(num(30)) +
          '<table:named-expressions><table:named-range table:name="LocalA" '
          'table:base-cell-address="$Source.$A$1" table:cell-range-address="$Source.$A$1:.$A$3"/>'
          '</table:named-expressions></table:table>\n')
write("lo_edits.fods", document(calcul + source, validation))

# lo_titles: print titles on rows 1-2 and column A.
titles = ['<table:table table:name="Titres" table:print-ranges="Titres.A1:Titres.C20">'
          '<table:table-header-columns><table:table-column/></table:table-header-columns>'
          '<table:table-column table:number-columns-repeated="2"/>'
          '<table:table-header-rows>' + row(text("Journal")) + row(text("Entrée"), text("Durée")) +
          '</table:table-header-rows>']
for i in range(3, 11):
    titles.append(row(text("Ligne %d" % i), num(i), formula("[.B%d]*2" % i)))
titles.append(row(text("Total"), formula("SUM([.B3:.B10])")))
write("lo_titles.fods", document(''.join(titles) + '</table:table>\n'))

# ext_source and lo_extref: two cells of another file, referred to by name.
write("ext_source.fods", document('<table:table table:name="Tarifs">' + row(num(21)) +
                                  row(num(155)) + '</table:table>\n'))
link = "'file://%s/ext_source.xls'#$Tarifs" % out
write("lo_extref.fods", document('<table:table table:name="Liens">' +
                                 row(formula("[%s.A1]" % link)) + row(formula("[%s.A2]" % link)) +
                                 row(formula("[.A1]+[.A2]")) + '</table:table>\n' +
                                 # The cached values of the other file, as a saved document
                                 # keeps them: the conversion does not open the link.
                                 '<table:table table:name="\'file://%s/ext_source.xls\'#Tarifs" '
                                 'table:print="false"><table:table-source xlink:type="simple" '
                                 'xlink:href="file://%s/ext_source.xls" table:filter-name="MS Excel 97" '
                                 'table:table-name="Tarifs" table:mode="copy-results-only"/>' % (out, out) +
                                 row(num(21)) + row(num(155)) + '</table:table>\n'))
