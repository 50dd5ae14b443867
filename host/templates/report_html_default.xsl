<?xml version="1.0" encoding="UTF-8"?>
<!-- SPDX-License-Identifier: MIT -->
<!-- The host's default report stylesheet: one self-contained HTML page (inline styles, no
     scripts, nothing fetched) with the report's files, any load error, the discarded entities
     counted by kind and by reason, and every report line in order. Report texts come from
     drawings and are always written as escaped text. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:param name="file_extension">.html</xsl:param>
<xsl:output method="html" encoding="utf-8" indent="yes" doctype-system="about:legacy-compat"/>

<!-- A discard line reads "<kind> was discarded <reason>"; coordinates in the reason, written
     in parentheses, differ from line to line and are left out of the grouping. Plain XSLT 1.0
     (no extension functions), so that every engine the host may use runs it. The lines are
     grouped by taking away one group of the same kind and reason at a time (group-discards):
     that costs the number of lines times the number of groups. Keys would cost the size of a
     group per lookup, and in some engines the square of the group size to build, which a
     drawing with hundreds of thousands of discards of one kind cannot afford; they serve only
     drawings with more groups than the recursion may take ($group-limit). Keys cannot use
     variables, so the marker is written out in them. -->
<xsl:variable name="marker" select="' was discarded '"/>
<xsl:key name="d-kind" match="text[contains(., ' was discarded ')]"
         use="substring-before(., ' was discarded ')"/>
<xsl:key name="d-reason" match="text[contains(., ' was discarded ')]"
         use="substring-before(concat(substring-after(., ' was discarded '), ' ('), ' (')"/>
<xsl:key name="d-kind-reason" match="text[contains(., ' was discarded ')]"
         use="concat(substring-before(., ' was discarded '), '&#9;',
                     substring-before(concat(substring-after(., ' was discarded '), ' ('), ' ('))"/>

<xsl:template match="/">
  <xsl:apply-templates select="report"/>
</xsl:template>

<xsl:template match="report">
  <xsl:variable name="discards" select="text[contains(., $marker)]"/>
  <xsl:variable name="total" select="count($discards)"/>
  <html lang="en">
    <head>
      <meta charset="utf-8"/>
      <meta http-equiv="Content-Security-Policy"
            content="default-src 'none'; style-src 'unsafe-inline'; img-src data:"/>
      <meta name="viewport" content="width=device-width, initial-scale=1"/>
      <title><xsl:value-of select="title"/></title>
      <style>
        :root {
          --ink: #1d2430; --muted: #5b6676; --line: #d9dee5; --soft: #f4f6f9;
          --accent: #1f5fae; --warn: #9a5b00; --warn-soft: #fff6e5;
          --bad: #a3261d; --bad-soft: #fdecea; --good: #2d6a3e; --good-soft: #e9f5ec;
        }
        * { box-sizing: border-box; }
        html { background: #eef1f5; }
        body {
          margin: 0; padding: 32px 16px 48px; color: var(--ink);
          font: 15px/1.5 system-ui, -apple-system, "Segoe UI", Roboto, "Noto Sans",
                "Liberation Sans", Arial, sans-serif;
        }
        main {
          max-width: 1000px; margin: 0 auto; background: #fff; border: 1px solid var(--line);
          border-radius: 10px; padding: 36px 44px 28px; box-shadow: 0 1px 3px rgba(20,30,50,.06);
        }
        header { border-bottom: 2px solid var(--ink); padding-bottom: 16px; margin-bottom: 24px; }
        h1 { font-size: 26px; line-height: 1.25; margin: 0 0 6px; letter-spacing: -.01em; }
        h2 {
          font-size: 17px; margin: 32px 0 10px; padding-bottom: 4px;
          border-bottom: 1px solid var(--line);
        }
        .stamp { color: var(--muted); margin: 0; font-size: 14px; }
        .verdict {
          display: flex; align-items: baseline; gap: 12px; flex-wrap: wrap;
          padding: 14px 18px; border-radius: 8px; margin: 0 0 8px; border: 1px solid;
        }
        .verdict strong { font-size: 18px; }
        .verdict.warn { background: var(--warn-soft); border-color: #f0cf93; color: var(--warn); }
        .verdict.bad { background: var(--bad-soft); border-color: #f1b5ae; color: var(--bad); }
        .verdict.good { background: var(--good-soft); border-color: #a9d3b4; color: var(--good); }
        .verdict span { color: var(--ink); }
        dl.files {
          display: grid; grid-template-columns: max-content 1fr; gap: 6px 18px; margin: 0;
        }
        dl.files dt { color: var(--muted); font-weight: 600; }
        dl.files dd { margin: 0; }
        .path, .line {
          font-family: ui-monospace, "SFMono-Regular", "DejaVu Sans Mono", Menlo, Consolas,
                       monospace;
          font-size: 13.5px; overflow-wrap: anywhere; white-space: pre-wrap;
        }
        .error {
          background: var(--bad-soft); border-left: 4px solid var(--bad); padding: 10px 14px;
          margin: 8px 0; border-radius: 0 6px 6px 0;
        }
        .error b { display: block; color: var(--bad); margin-bottom: 2px; }
        table { width: 100%; border-collapse: collapse; font-size: 14px; }
        caption { text-align: left; color: var(--muted); padding: 0 0 6px; font-size: 13px; }
        th, td { text-align: left; padding: 7px 10px; vertical-align: top; }
        thead th {
          background: var(--soft); border-bottom: 1px solid var(--line); font-size: 12px;
          text-transform: uppercase; letter-spacing: .04em; color: var(--muted);
        }
        tbody tr + tr > * { border-top: 1px solid #eceff3; }
        tbody.kind { border-top: 1px solid var(--line); }
        tbody.kind th { font-weight: 600; white-space: nowrap; }
        tfoot td, tfoot th { border-top: 2px solid var(--ink); font-weight: 700; }
        .num { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; width: 6em; }
        td.share { width: 45%; }
        .meter { display: flex; align-items: center; gap: 10px; }
        .bar {
          flex: 1; height: 8px; background: #e6eaf0; border-radius: 4px; overflow: hidden;
        }
        .bar i { display: block; height: 100%; background: var(--accent); border-radius: 4px; }
        .pct { width: 3.2em; text-align: right; color: var(--muted); font-variant-numeric: tabular-nums; }
        .tables { display: grid; gap: 26px; }
        .pair { display: grid; grid-template-columns: 1fr 1fr; gap: 26px; align-items: start; }
        @media (max-width: 760px) { .pair { grid-template-columns: 1fr; } main { padding: 24px 18px; } }
        ol.lines {
          margin: 0; padding: 0 0 0 4.2em; border: 1px solid var(--line); border-radius: 6px;
          background: #fbfcfd; color: var(--ink);
        }
        ol.lines li { padding: 3px 12px 3px 6px; border-bottom: 1px solid #eef1f4; }
        ol.lines li:last-child { border-bottom: 0; }
        ol.lines li::marker { color: var(--muted); font-size: 12px; }
        .none { color: var(--muted); font-style: italic; margin: 0; }
        footer {
          margin-top: 32px; padding-top: 12px; border-top: 1px solid var(--line);
          color: var(--muted); font-size: 13px; display: flex; justify-content: space-between;
          flex-wrap: wrap; gap: 8px;
        }
        @media print {
          @page { margin: 16mm 14mm; }
          html, body { background: #fff; }
          body { padding: 0; font-size: 10.5pt; }
          main { border: 0; box-shadow: none; padding: 0; max-width: none; }
          * { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
          h2 { break-after: avoid; }
          tr, li, .error, .verdict { break-inside: avoid; }
          thead { display: table-header-group; }
          ol.lines { border: 0; background: none; }
        }
      </style>
    </head>
    <body>
      <main>
        <header>
          <h1><xsl:value-of select="title"/></h1>
          <p class="stamp">
            <xsl:text>Produced </xsl:text>
            <xsl:value-of select="date"/>
            <xsl:text> at </xsl:text>
            <xsl:value-of select="time"/>
          </p>
        </header>

        <xsl:choose>
          <xsl:when test="error">
            <p class="verdict bad"><strong>The drawing could not be loaded.</strong>
              <span>Nothing was imported from it; the reason is given below.</span></p>
          </xsl:when>
          <xsl:when test="$total &gt; 0">
            <p class="verdict warn">
              <strong>
                <xsl:value-of select="$total"/>
                <xsl:choose>
                  <xsl:when test="$total = 1"> entity was discarded.</xsl:when>
                  <xsl:otherwise> entities were discarded.</xsl:otherwise>
                </xsl:choose>
              </strong>
              <span>Everything else was imported. The tables show what was left out and why.</span>
            </p>
          </xsl:when>
          <xsl:otherwise>
            <p class="verdict good"><strong>No entities were discarded.</strong></p>
          </xsl:otherwise>
        </xsl:choose>

        <xsl:if test="filename/file or frontmatter">
          <h2>Files</h2>
          <dl class="files">
            <xsl:for-each select="filename/file">
              <dt>File</dt>
              <dd class="path"><xsl:value-of select="."/></dd>
            </xsl:for-each>
            <xsl:for-each select="frontmatter">
              <dt><xsl:value-of select="name"/></dt>
              <dd class="path">
                <xsl:for-each select="file">
                  <xsl:if test="position() &gt; 1"><br/></xsl:if>
                  <xsl:value-of select="."/>
                </xsl:for-each>
              </dd>
            </xsl:for-each>
          </dl>
        </xsl:if>

        <xsl:if test="error">
          <h2>Load error</h2>
          <xsl:for-each select="error">
            <div class="error"><b>Error</b><span class="line"><xsl:value-of select="."/></span></div>
          </xsl:for-each>
        </xsl:if>

        <xsl:if test="$total &gt; 0">
          <h2>Discarded entities</h2>
          <xsl:call-template name="group-discards">
            <xsl:with-param name="rest" select="$discards"/>
            <xsl:with-param name="total" select="$total"/>
          </xsl:call-template>
        </xsl:if>


        <h2>Report lines</h2>
        <xsl:choose>
          <xsl:when test="text">
            <ol class="lines">
              <xsl:for-each select="text">
                <li class="line"><xsl:value-of select="."/></li>
              </xsl:for-each>
            </ol>
          </xsl:when>
          <xsl:otherwise><p class="none">The report has no lines.</p></xsl:otherwise>
        </xsl:choose>

        <footer>
          <span>
            <xsl:text>Elapsed time </xsl:text>
            <xsl:choose>
              <xsl:when test="elapsed_time"><xsl:value-of select="elapsed_time"/></xsl:when>
              <xsl:otherwise>not recorded</xsl:otherwise>
            </xsl:choose>
          </span>
          <span><xsl:value-of select="title"/></span>
        </footer>
      </main>
    </body>
  </html>
</xsl:template>

<!-- Groups of the same kind and reason beyond which the discards are grouped with keys: each
     group found is one level of template recursion, which engines limit. -->
<xsl:variable name="group-limit" select="200"/>

<!-- Takes away the group of the first line of $rest (all lines of the same kind and reason)
     until none is left, recording each group's first line and its size, then writes the
     tables. A line's head, the line up to its first " (", holds its kind, the marker and its
     reason when it holds the marker at all; two such lines are of the same kind and reason
     exactly when their heads are equal, which is the cheaper test (a line with the head H
     followed by " (" or by nothing). -->
<xsl:template name="group-discards">
  <xsl:param name="rest"/>
  <xsl:param name="total"/>
  <xsl:param name="firsts" select="/.."/>
  <!-- " id:size" for every group found, by the generated id of its first line. -->
  <xsl:param name="sizes" select="' '"/>
  <xsl:param name="depth" select="0"/>
  <xsl:variable name="first" select="$rest[1]"/>
  <xsl:variable name="head" select="substring-before(concat($first, ' ('), ' (')"/>
  <xsl:choose>
    <xsl:when test="not($rest)">
      <xsl:call-template name="kind-groups">
        <xsl:with-param name="rest" select="$firsts"/>
        <xsl:with-param name="total" select="$total"/>
        <xsl:with-param name="firsts" select="$firsts"/>
        <xsl:with-param name="sizes" select="$sizes"/>
      </xsl:call-template>
    </xsl:when>
    <xsl:when test="$depth &gt;= $group-limit">
      <xsl:call-template name="discard-tables-by-keys">
        <xsl:with-param name="total" select="$total"/>
      </xsl:call-template>
    </xsl:when>
    <xsl:when test="contains($head, $marker)">
      <xsl:variable name="head-open" select="concat($head, ' (')"/>
      <xsl:variable name="others" select="$rest[not(starts-with(concat(., ' ('), $head-open))]"/>
      <xsl:call-template name="group-discards">
        <xsl:with-param name="rest" select="$others"/>
        <xsl:with-param name="total" select="$total"/>
        <xsl:with-param name="firsts" select="$firsts | $first"/>
        <xsl:with-param name="sizes"
            select="concat($sizes, generate-id($first), ':', count($rest) - count($others), ' ')"/>
        <xsl:with-param name="depth" select="$depth + 1"/>
      </xsl:call-template>
    </xsl:when>
    <xsl:otherwise>
      <xsl:variable name="kind" select="substring-before($first, $marker)"/>
      <xsl:variable name="reason"
          select="substring-before(concat(substring-after($first, $marker), ' ('), ' (')"/>
      <xsl:variable name="others"
          select="$rest[position() &gt; 1][not(substring-before(., $marker) = $kind and
              substring-before(concat(substring-after(., $marker), ' ('), ' (') = $reason)]"/>
      <xsl:call-template name="group-discards">
        <xsl:with-param name="rest" select="$others"/>
        <xsl:with-param name="total" select="$total"/>
        <xsl:with-param name="firsts" select="$firsts | $first"/>
        <xsl:with-param name="sizes"
            select="concat($sizes, generate-id($first), ':', count($rest) - count($others), ' ')"/>
        <xsl:with-param name="depth" select="$depth + 1"/>
      </xsl:call-template>
    </xsl:otherwise>
  </xsl:choose>
</xsl:template>

<!-- The groups' first lines ($rest, in document order) by kind: the first line of each kind
     and the number of lines of each kind, added to $sizes as for the groups; then the same by
     reason. -->
<xsl:template name="kind-groups">
  <xsl:param name="rest"/>
  <xsl:param name="total"/>
  <xsl:param name="firsts"/>
  <xsl:param name="sizes"/>
  <xsl:param name="kind-firsts" select="/.."/>
  <xsl:param name="kind-sizes" select="' '"/>
  <xsl:choose>
    <xsl:when test="$rest">
      <xsl:variable name="kind" select="substring-before($rest[1], $marker)"/>
      <xsl:variable name="size">
        <xsl:call-template name="size-sum">
          <xsl:with-param name="groups" select="$rest[substring-before(., $marker) = $kind]"/>
          <xsl:with-param name="sizes" select="$sizes"/>
        </xsl:call-template>
      </xsl:variable>
      <xsl:call-template name="kind-groups">
        <xsl:with-param name="rest" select="$rest[substring-before(., $marker) != $kind]"/>
        <xsl:with-param name="total" select="$total"/>
        <xsl:with-param name="firsts" select="$firsts"/>
        <xsl:with-param name="sizes" select="$sizes"/>
        <xsl:with-param name="kind-firsts" select="$kind-firsts | $rest[1]"/>
        <xsl:with-param name="kind-sizes" select="concat($kind-sizes, generate-id($rest[1]), ':', $size, ' ')"/>
      </xsl:call-template>
    </xsl:when>
    <xsl:otherwise>
      <xsl:call-template name="reason-groups">
        <xsl:with-param name="rest" select="$firsts"/>
        <xsl:with-param name="total" select="$total"/>
        <xsl:with-param name="firsts" select="$firsts"/>
        <xsl:with-param name="sizes" select="$sizes"/>
        <xsl:with-param name="kind-firsts" select="$kind-firsts"/>
        <xsl:with-param name="kind-sizes" select="$kind-sizes"/>
      </xsl:call-template>
    </xsl:otherwise>
  </xsl:choose>
</xsl:template>

<xsl:template name="reason-groups">
  <xsl:param name="rest"/>
  <xsl:param name="total"/>
  <xsl:param name="firsts"/>
  <xsl:param name="sizes"/>
  <xsl:param name="kind-firsts"/>
  <xsl:param name="kind-sizes"/>
  <xsl:param name="reason-firsts" select="/.."/>
  <xsl:param name="reason-sizes" select="' '"/>
  <xsl:choose>
    <xsl:when test="$rest">
      <xsl:variable name="reason"
          select="substring-before(concat(substring-after($rest[1], $marker), ' ('), ' (')"/>
      <xsl:variable name="size">
        <xsl:call-template name="size-sum">
          <xsl:with-param name="groups"
              select="$rest[substring-before(concat(substring-after(., $marker), ' ('), ' (') = $reason]"/>
          <xsl:with-param name="sizes" select="$sizes"/>
        </xsl:call-template>
      </xsl:variable>
      <xsl:call-template name="reason-groups">
        <xsl:with-param name="rest"
            select="$rest[substring-before(concat(substring-after(., $marker), ' ('), ' (') != $reason]"/>
        <xsl:with-param name="total" select="$total"/>
        <xsl:with-param name="firsts" select="$firsts"/>
        <xsl:with-param name="sizes" select="$sizes"/>
        <xsl:with-param name="kind-firsts" select="$kind-firsts"/>
        <xsl:with-param name="kind-sizes" select="$kind-sizes"/>
        <xsl:with-param name="reason-firsts" select="$reason-firsts | $rest[1]"/>
        <xsl:with-param name="reason-sizes" select="concat($reason-sizes, generate-id($rest[1]), ':', $size, ' ')"/>
      </xsl:call-template>
    </xsl:when>
    <xsl:otherwise>
      <xsl:call-template name="discard-tables">
        <xsl:with-param name="total" select="$total"/>
        <xsl:with-param name="kind-rows">
          <xsl:for-each select="$kind-firsts">
            <xsl:sort select="substring-before(substring-after($kind-sizes, concat(' ', generate-id(), ':')), ' ')" data-type="number" order="descending"/>
            <xsl:sort select="substring-before(., $marker)"/>
            <xsl:call-template name="kind-row">
              <xsl:with-param name="count" select="number(substring-before(substring-after($kind-sizes, concat(' ', generate-id(), ':')), ' '))"/>
              <xsl:with-param name="total" select="$total"/>
            </xsl:call-template>
          </xsl:for-each>
        </xsl:with-param>
        <xsl:with-param name="reason-rows">
          <xsl:for-each select="$reason-firsts">
            <xsl:sort select="substring-before(substring-after($reason-sizes, concat(' ', generate-id(), ':')), ' ')" data-type="number" order="descending"/>
            <xsl:call-template name="reason-row">
              <xsl:with-param name="count" select="number(substring-before(substring-after($reason-sizes, concat(' ', generate-id(), ':')), ' '))"/>
            </xsl:call-template>
          </xsl:for-each>
        </xsl:with-param>
        <xsl:with-param name="kind-reason-bodies">
          <xsl:for-each select="$kind-firsts">
            <xsl:sort select="substring-before(., $marker)"/>
            <xsl:variable name="kind" select="substring-before(., $marker)"/>
            <tbody class="kind">
              <xsl:for-each select="$firsts[substring-before(., $marker) = $kind]">
                <xsl:sort select="substring-before(substring-after($sizes, concat(' ', generate-id(), ':')), ' ')" data-type="number" order="descending"/>
                <xsl:call-template name="kind-reason-row">
                  <xsl:with-param name="count" select="number(substring-before(substring-after($sizes, concat(' ', generate-id(), ':')), ' '))"/>
                </xsl:call-template>
              </xsl:for-each>
            </tbody>
          </xsl:for-each>
        </xsl:with-param>
      </xsl:call-template>
    </xsl:otherwise>
  </xsl:choose>
</xsl:template>

<!-- The sum of the sizes recorded in $sizes for the groups whose first lines are $groups. -->
<xsl:template name="size-sum">
  <xsl:param name="groups"/>
  <xsl:param name="sizes"/>
  <xsl:param name="sum" select="0"/>
  <xsl:choose>
    <xsl:when test="$groups">
      <xsl:call-template name="size-sum">
        <xsl:with-param name="groups" select="$groups[position() &gt; 1]"/>
        <xsl:with-param name="sizes" select="$sizes"/>
        <xsl:with-param name="sum" select="$sum + substring-before(substring-after($sizes, concat(' ', generate-id($groups[1]), ':')), ' ')"/>
      </xsl:call-template>
    </xsl:when>
    <xsl:otherwise><xsl:value-of select="$sum"/></xsl:otherwise>
  </xsl:choose>
</xsl:template>

<!-- The same tables through keys, for drawings with more groups than $group-limit. Lines whose
     kind and reason (the line up to its first " (", when that holds the marker) appeared within
     the four lines before cannot start a group and are not looked up. -->
<xsl:template name="discard-tables-by-keys">
  <xsl:param name="total"/>
  <xsl:variable name="run-starts"
      select="text[contains(., $marker)][not(contains(substring-before(concat(., ' ('), ' ('), $marker)
          and (substring-before(concat(preceding-sibling::text[1], ' ('), ' (') = substring-before(concat(., ' ('), ' (')
            or substring-before(concat(preceding-sibling::text[2], ' ('), ' (') = substring-before(concat(., ' ('), ' (')
            or substring-before(concat(preceding-sibling::text[3], ' ('), ' (') = substring-before(concat(., ' ('), ' (')
            or substring-before(concat(preceding-sibling::text[4], ' ('), ' (') = substring-before(concat(., ' ('), ' (')))]"/>
  <xsl:variable name="kind-firsts"
      select="$run-starts[generate-id() = generate-id(key('d-kind', substring-before(., $marker))[1])]"/>
  <xsl:variable name="reason-firsts"
      select="$run-starts[generate-id() = generate-id(key('d-reason',
                  substring-before(concat(substring-after(., $marker), ' ('), ' ('))[1])]"/>
  <xsl:call-template name="discard-tables">
    <xsl:with-param name="total" select="$total"/>
    <xsl:with-param name="kind-rows">
      <xsl:for-each select="$kind-firsts">
        <xsl:sort select="count(key('d-kind', substring-before(., $marker)))" data-type="number" order="descending"/>
        <xsl:sort select="substring-before(., $marker)"/>
        <xsl:call-template name="kind-row">
          <xsl:with-param name="count" select="count(key('d-kind', substring-before(., $marker)))"/>
          <xsl:with-param name="total" select="$total"/>
        </xsl:call-template>
      </xsl:for-each>
    </xsl:with-param>
    <xsl:with-param name="reason-rows">
      <xsl:for-each select="$reason-firsts">
        <xsl:sort select="count(key('d-reason', substring-before(concat(substring-after(., $marker), ' ('), ' (')))" data-type="number" order="descending"/>
        <xsl:call-template name="reason-row">
          <xsl:with-param name="count" select="count(key('d-reason', substring-before(concat(substring-after(., $marker), ' ('), ' (')))"/>
        </xsl:call-template>
      </xsl:for-each>
    </xsl:with-param>
    <xsl:with-param name="kind-reason-bodies">
      <xsl:for-each select="$kind-firsts">
        <xsl:sort select="substring-before(., $marker)"/>
        <xsl:variable name="kind" select="substring-before(., $marker)"/>
        <tbody class="kind">
          <xsl:for-each select="$run-starts[substring-before(., $marker) = $kind]
              [generate-id() = generate-id(key('d-kind-reason',
                  concat($kind, '&#9;', substring-before(concat(substring-after(., $marker), ' ('), ' (')))[1])]">
            <xsl:sort select="count(key('d-kind-reason', concat($kind, '&#9;', substring-before(concat(substring-after(., $marker), ' ('), ' ('))))" data-type="number" order="descending"/>
            <xsl:call-template name="kind-reason-row">
              <xsl:with-param name="count" select="count(key('d-kind-reason', concat($kind, '&#9;', substring-before(concat(substring-after(., $marker), ' ('), ' ('))))"/>
            </xsl:call-template>
          </xsl:for-each>
        </tbody>
      </xsl:for-each>
    </xsl:with-param>
  </xsl:call-template>
</xsl:template>

<!-- The three tables of discarded entities around their rows. -->
<xsl:template name="discard-tables">
  <xsl:param name="total"/>
  <xsl:param name="kind-rows"/>
  <xsl:param name="reason-rows"/>
  <xsl:param name="kind-reason-bodies"/>
  <div class="tables">
    <div class="pair">
    <table class="by-kind">
      <caption>By entity kind</caption>
      <thead><tr><th scope="col">Entity</th><th scope="col" class="num">Count</th>
        <th scope="col" class="share">Share</th></tr></thead>
      <tbody><xsl:copy-of select="$kind-rows"/></tbody>
      <tfoot><tr><th scope="row">Total</th><td class="num"><xsl:value-of select="$total"/></td><td></td></tr></tfoot>
    </table>

    <table class="by-reason">
      <caption>By reason</caption>
      <thead><tr><th scope="col">Reason</th><th scope="col" class="num">Count</th></tr></thead>
      <tbody><xsl:copy-of select="$reason-rows"/></tbody>
    </table>
    </div>

    <table class="by-kind-reason">
      <caption>By entity kind and reason</caption>
      <thead><tr><th scope="col">Entity</th><th scope="col">Reason</th><th scope="col" class="num">Count</th></tr></thead>
      <xsl:copy-of select="$kind-reason-bodies"/>
    </table>

  </div>
</xsl:template>

<!-- A row of the kind table for the current discard line, the first of its kind. -->
<xsl:template name="kind-row">
  <xsl:param name="count"/>
  <xsl:param name="total"/>
  <tr>
    <th scope="row"><xsl:call-template name="kind-name"/></th>
    <td class="num"><xsl:value-of select="$count"/></td>
    <td class="share"><span class="meter"><span class="bar"><i style="width: {format-number(100 * $count div $total, '0.#')}%"></i></span>
      <span class="pct"><xsl:value-of select="format-number($count div $total, '0%')"/></span></span></td>
  </tr>
</xsl:template>

<!-- A row of the reason table for the current discard line, the first of its reason. -->
<xsl:template name="reason-row">
  <xsl:param name="count"/>
  <tr>
    <td class="reason"><xsl:call-template name="reason-text"><xsl:with-param name="reason" select="substring-before(concat(substring-after(., $marker), ' ('), ' (')"/></xsl:call-template></td>
    <td class="num"><xsl:value-of select="$count"/></td>
  </tr>
</xsl:template>

<!-- A row of the kind and reason table for the current discard line, the first of its kind and
     reason; the first row of a kind names the kind. -->
<xsl:template name="kind-reason-row">
  <xsl:param name="count"/>
  <tr>
    <xsl:choose>
      <xsl:when test="position() = 1"><th scope="row"><xsl:call-template name="kind-name"/></th></xsl:when>
      <xsl:otherwise><td></td></xsl:otherwise>
    </xsl:choose>
    <td class="reason"><xsl:call-template name="reason-text"><xsl:with-param name="reason" select="substring-before(concat(substring-after(., $marker), ' ('), ' (')"/></xsl:call-template></td>
    <td class="num"><xsl:value-of select="$count"/></td>
  </tr>
</xsl:template>

<!-- The entity kind of the current discard line without the word " entity" that follows it. -->
<xsl:template name="kind-name">
  <xsl:variable name="kind" select="substring-before(., $marker)"/>
  <xsl:variable name="length" select="string-length($kind)"/>
  <xsl:choose>
    <xsl:when test="$length = 0">(unnamed)</xsl:when>
    <xsl:when test="$length &gt; 7 and substring($kind, $length - 6) = ' entity'">
      <xsl:value-of select="substring($kind, 1, $length - 7)"/>
    </xsl:when>
    <xsl:otherwise><xsl:value-of select="$kind"/></xsl:otherwise>
  </xsl:choose>
</xsl:template>

<xsl:template name="reason-text">
  <xsl:param name="reason"/>
  <xsl:choose>
    <xsl:when test="string-length($reason) = 0">(no reason given)</xsl:when>
    <xsl:otherwise><xsl:value-of select="$reason"/></xsl:otherwise>
  </xsl:choose>
</xsl:template>

</xsl:stylesheet>
