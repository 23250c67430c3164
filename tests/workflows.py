#!/usr/bin/env python3
"""Checks the GitHub workflows of a checkout: each file parses as YAML and
has triggers and jobs, every job runs steps or calls a workflow, and every
file of the checkout that a step runs or names (a script, ./test, a called
workflow) exists, and what a step runs as a command is executable. Paths into what the build makes (the
folders .gitignore names) are outputs and not looked for.

    tests/workflows.py CHECKOUT

Before the checkout's own files it checks itself on workflows made to fail,
so that a checker which finds nothing cannot pass.
"""
import os
import re
import shlex
import sys
import tempfile

import yaml

WORKFLOWS = ("ci.yml", "release.yml")
# Words of a shell line that may name a file of the checkout: ./x, or a
# relative path of at least two parts.
PATH_WORD = re.compile(r"^(\./[\w.-]+(/[\w.*-]+)*|[\w.-]+(/[\w.*-]+)+)$")
COMMAND_SUBSTITUTION = re.compile(r"\$\(([^()]*)\)")


def output_folders(checkout):
    folders = set()
    try:
        with open(os.path.join(checkout, ".gitignore"), encoding="utf-8") as ignore:
            for line in ignore:
                line = line.strip()
                if line and not line.startswith("#"):
                    folders.add(line.strip("/"))
    except OSError:
        pass
    return folders


# After these a shell word is a command.
COMMAND_BEFORE = {"|", "||", "&&", ";", "(", ")", "!", "&", "if", "then", "elif", "else", "do", "while", "until",
                  "exec", "time", "env", "sudo"}
ASSIGNMENT = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*=")


def words_of(script):
    """The words of a step's shell script, those inside $(...) too, each
    with whether it stands where a command does."""
    words = []
    for line in script.splitlines():
        for piece in [line] + COMMAND_SUBSTITUTION.findall(line):
            try:
                lexer = shlex.shlex(piece, posix=True, punctuation_chars=True)
                lexer.whitespace_split = True
                lexer.commenters = "#"
                tokens = list(lexer)
            except ValueError:
                tokens = piece.split()
            command = True
            for token in tokens:
                words.append((token, command and not ASSIGNMENT.match(token)))
                command = token in COMMAND_BEFORE or (command and bool(ASSIGNMENT.match(token)))
    return words


def check_path(checkout, outputs, word, where, problems, run=False):
    path = word[2:] if word.startswith("./") else word
    if path.split("/")[0] in outputs or "$" in path or "*" in path:
        return
    full = os.path.join(checkout, path)
    if not os.path.exists(full):
        problems.append(f"{where}: {word} does not exist")
    elif run and not (os.path.isfile(full) and os.access(full, os.X_OK)):
        problems.append(f"{where}: {word} is not executable")


def check_workflow(checkout, name, text):
    """The problems of one workflow, each naming where it is."""
    problems = []
    try:
        workflow = yaml.safe_load(text)
    except yaml.YAMLError as error:
        return [f"{name}: not YAML: {error}"]
    if not isinstance(workflow, dict):
        return [f"{name}: not a mapping"]
    # YAML 1.1 reads the key "on" as true.
    if not workflow.get("on", workflow.get(True)):
        problems.append(f"{name}: no triggers (on:)")
    jobs = workflow.get("jobs")
    if not isinstance(jobs, dict) or not jobs:
        return problems + [f"{name}: no jobs"]
    outputs = output_folders(checkout)
    for job_name, job in jobs.items():
        where = f"{name}: job {job_name}"
        if not isinstance(job, dict):
            problems.append(f"{where}: not a mapping")
            continue
        if "uses" in job:
            called = job["uses"]
            if called.startswith("./"):
                check_path(checkout, outputs, called, where, problems)
            continue
        steps = job.get("steps")
        if not isinstance(steps, list) or not steps:
            problems.append(f"{where}: no steps")
            continue
        if "runs-on" not in job:
            problems.append(f"{where}: no runs-on")
        for index, step in enumerate(steps, 1):
            step_where = f"{where}, step {index} ({step.get('name', step.get('uses', 'unnamed'))})"
            if not isinstance(step, dict) or not ("run" in step or "uses" in step):
                problems.append(f"{step_where}: neither run nor uses")
                continue
            if isinstance(step.get("uses"), str) and step["uses"].startswith("./"):
                check_path(checkout, outputs, step["uses"], step_where, problems)
            for word, command in words_of(str(step.get("run", ""))):
                if PATH_WORD.match(word):
                    check_path(checkout, outputs, word, step_where, problems, run=command)
    return problems


# Workflows the checker must find fault with in a checkout of its own that
# holds scripts/plain, not executable, and what it must say.
MUST_FAIL = [
    ("a missing script", "on: push\njobs:\n  a:\n    runs-on: x\n    steps:\n      - run: scripts/no-such-script\n",
     "scripts/no-such-script does not exist"),
    ("a missing script in $(...)", "on: push\njobs:\n  a:\n    runs-on: x\n    steps:\n"
     "      - run: echo \"$(scripts/no-such-script --version)\"\n", "scripts/no-such-script does not exist"),
    ("a script not executable", "on: push\njobs:\n  a:\n    runs-on: x\n    steps:\n      - run: scripts/plain\n",
     "scripts/plain is not executable"),
    ("a script not executable after an assignment", "on: push\njobs:\n  a:\n    runs-on: x\n    steps:\n"
     "      - run: if true; then A=1 scripts/plain; fi\n", "scripts/plain is not executable"),
    ("a missing called workflow", "on: push\njobs:\n  a:\n    uses: ./.github/workflows/none.yml\n",
     "./.github/workflows/none.yml does not exist"),
    ("a step without run or uses", "on: push\njobs:\n  a:\n    runs-on: x\n    steps:\n      - name: nothing\n",
     "neither run nor uses"),
    ("no jobs", "on: push\n", "no jobs"),
    ("broken YAML", "on: [push\njobs: {}\n", "not YAML"),
]


def main():
    if len(sys.argv) != 2:
        print("usage: tests/workflows.py CHECKOUT", file=sys.stderr)
        return 2
    checkout = sys.argv[1]
    failed = False
    with tempfile.TemporaryDirectory() as sample:
        os.mkdir(os.path.join(sample, "scripts"))
        with open(os.path.join(sample, "scripts", "plain"), "w", encoding="utf-8") as plain:
            plain.write("echo plain\n")
        for case, text, expected in MUST_FAIL:
            found = check_workflow(sample, case, text)
            if not any(expected in problem for problem in found):
                print(f"FAIL: the checker misses {case}: expected \"{expected}\", got {found}")
                failed = True
    for name in WORKFLOWS:
        path = os.path.join(checkout, ".github", "workflows", name)
        try:
            with open(path, encoding="utf-8") as file:
                text = file.read()
        except OSError as error:
            print(f"FAIL: {name}: {error}")
            failed = True
            continue
        problems = check_workflow(checkout, name, text)
        for problem in problems:
            print(f"FAIL: {problem}")
        failed = failed or bool(problems)
        if not problems:
            print(f"{name}: parses; every file of the checkout it runs or names exists")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
