// The findings of a check (halvex -k) as the page lists them: read from the
// program's report, one button each, by line; the decimals warnings, which
// a file can have thousands of, in one group. Choosing a finding or the
// group marks the lines it names; choosing it again marks all listed again.

// The findings in `report`, the output of "halvex -k FILE": each line
// "FILE:LINE: error|warning: RULE: MESSAGE" as {line, severity, rule,
// message}, in the report's order (by line).
export function parseFindings(report, file) {
  const findings = [];
  const prefix = `${file}:`;
  for (const text of report.split('\n')) {
    if (!text.startsWith(prefix)) continue;
    const match = /^(\d+): (error|warning): ([a-z-]+): (.*)$/.exec(text.slice(prefix.length));
    if (match) findings.push({ line: Number(match[1]), severity: match[2], rule: match[3], message: match[4] });
  }
  return findings;
}

// Whether the list gathers `finding` into the group.
function grouped(finding) {
  return finding.rule === 'decimals' && finding.severity === 'warning';
}

// How many of the group's findings are listed when it is opened.
const kGroupShown = 1000;

function plural(count, what) {
  return `${count.toLocaleString('en-US')} ${what}${count === 1 ? '' : 's'}`;
}

function findingButton(finding) {
  const button = document.createElement('button');
  button.type = 'button';
  button.className = `finding ${finding.severity}`;
  button.dataset.line = finding.line;
  for (const [name, text] of [['line', `line ${finding.line}`], ['severity', finding.severity],
                              ['rule', finding.rule], ['message', finding.message]]) {
    const span = document.createElement('span');
    span.className = name;
    span.textContent = text;
    button.append(span);
  }
  return button;
}

export class FindingsList {
  // `element`: the list (ul); `onMark(lines)` is called with the Set of
  // line numbers to mark whenever they change.
  constructor(element, onMark) {
    this.element = element;
    this.onMark = onMark;
    this.listedLines = new Set();
    this.chosen = null;  // The chosen button or group, or null for all listed.
  }

  clear() {
    this.element.replaceChildren();
    this.element.hidden = true;
    this.chosen = null;
  }

  // Lists `findings`; answers the lines marked first: those of every
  // finding listed one by one.
  show(findings) {
    this.clear();
    this.element.hidden = false;
    const listed = findings.filter((finding) => !grouped(finding));
    const gathered = findings.filter(grouped);
    this.listedLines = new Set(listed.map((finding) => finding.line));
    if (findings.length === 0) {
      const item = document.createElement('li');
      item.className = 'none';
      item.textContent = 'No findings.';
      this.element.append(item);
    }
    for (const finding of listed) {
      const item = document.createElement('li');
      const button = findingButton(finding);
      button.addEventListener('click', () => this.choose(button, new Set([finding.line])));
      item.append(button);
      this.element.append(item);
    }
    if (gathered.length > 0) this.element.append(this.group(gathered));
    return this.listedLines;
  }

  // The group of `findings` (decimals warnings): closed, a line that counts
  // them; opened, their lines marked and the findings listed (the first
  // kGroupShown, the rest in the report).
  group(findings) {
    const item = document.createElement('li');
    const details = document.createElement('details');
    details.className = 'group';
    const lines = new Set(findings.map((finding) => finding.line));
    const summary = document.createElement('summary');
    summary.textContent = `decimals: ${plural(findings.length, 'warning')} on ${plural(lines.size, 'line')}` +
      ' (more decimal places than recommended), marked when opened';
    details.append(summary);
    const list = document.createElement('ul');
    details.append(list);
    details.addEventListener('toggle', () => {
      if (details.open && list.childElementCount === 0) {
        for (const finding of findings.slice(0, kGroupShown)) {
          const entry = document.createElement('li');
          const button = findingButton(finding);
          button.addEventListener('click', () => this.choose(button, new Set([finding.line])));
          entry.append(button);
          list.append(entry);
        }
        if (findings.length > kGroupShown) {
          const rest = document.createElement('li');
          rest.className = 'none';
          rest.textContent = `and ${plural(findings.length - kGroupShown, 'more')}: see the report`;
          list.append(rest);
        }
      }
      if (details.open) this.choose(details, lines);
      else if (this.chosen === details || details.contains(this.chosen)) this.choose(null);
    });
    item.append(details);
    return item;
  }

  // Marks the lines of `chosen` (a finding's button or the group), or those
  // of every finding listed when it is null or already chosen.
  choose(chosen, lines) {
    if (chosen !== null && chosen === this.chosen && chosen.tagName === 'BUTTON') chosen = null;
    this.chosen?.classList.remove('chosen');
    this.chosen = chosen;
    chosen?.classList.add('chosen');
    this.onMark(chosen === null ? this.listedLines : lines);
  }
}
