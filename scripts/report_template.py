"""What the two report writers share: the template filled in, markdown tables,
verdicts and the run's facts.

A template is the report's text with {{name}} where a value of the run goes.
Every name must have a value and every value a place, so that a report never
goes out with a hole in it or a figure silently left out.
"""
import os
import re

PLACEHOLDER = re.compile(r"\{\{(\w+)\}\}")
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def fill(template, values):
    """The template with every {{name}} replaced by values[name]."""
    names = set(PLACEHOLDER.findall(template))
    missing = sorted(names - values.keys())
    unused = sorted(values.keys() - names)
    if missing or unused:
        raise ValueError(f"template and values disagree: no value for {missing}, "
                         f"no place for {unused}")
    return PLACEHOLDER.sub(lambda match: str(values[match.group(1)]), template)


def write_report(template_path, values, output_path):
    with open(template_path, encoding="utf-8") as template:
        text = fill(template.read(), values)
    with open(output_path, "w", encoding="utf-8") as output:
        output.write(text)


def table(header, rows, align=None):
    """A markdown table. `align`: one letter a column, l or r; left by default."""
    rule = {"l": "---", "r": "---:"}
    align = align or "l" * len(header)
    lines = [cells_line(header), "|" + "|".join(rule[a] for a in align) + "|"]
    lines += [cells_line(row) for row in rows]
    return "\n".join(lines)


def cells_line(cells):
    return "| " + " | ".join(str(cell) for cell in cells) + " |"


def verdict(ok):
    return "holds" if ok else "**fails**"


def read_meta(path):
    """The run's facts, one key=value a line."""
    with open(path, encoding="utf-8") as meta:
        return dict(line.rstrip("\n").split("=", 1) for line in meta if "=" in line)
