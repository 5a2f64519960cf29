#!/usr/bin/env python3
"""The deployment files read as a cluster administrator reads them: the Kubernetes Job passes
the "restricted" Pod Security level and stops by itself, the Slurm script has a time limit, and
the container image is pinned and carries the fonts the setup script installs.

No Kubernetes schema validator is installable from Debian, so the fields are checked one by one
(python3-yaml reads the file); the Job also passed the JSON Schema validation of the npm package
kubernetes-models 4.5.1 (ajv) when it was written."""
import os
import re
import sys
import unittest

import yaml

DEPLOY = os.path.join(sys.argv.pop(1) if len(sys.argv) > 1 else ".", "deploy")


def read(name):
    with open(os.path.join(DEPLOY, name), encoding="utf-8") as f:
        return f.read()


def documents():
    return {d["kind"]: d for d in yaml.safe_load_all(read("burst-job.yaml"))}


class KubernetesJob(unittest.TestCase):
    def setUp(self):
        docs = documents()
        self.job = docs["Job"]
        self.claim = docs.get("PersistentVolumeClaim")
        self.pod = self.job["spec"]["template"]["spec"]
        (self.container,) = self.pod["containers"]

    def test_restricted_pod_security_level(self):
        pod, c = self.pod["securityContext"], self.container["securityContext"]
        self.assertTrue(pod["runAsNonRoot"])
        self.assertNotEqual(pod["runAsUser"], 0)
        for ctx in (pod, c):
            self.assertEqual(ctx["seccompProfile"]["type"], "RuntimeDefault")
        self.assertIs(c["allowPrivilegeEscalation"], False)
        self.assertEqual(c["capabilities"]["drop"], ["ALL"])
        self.assertNotIn("add", c["capabilities"])
        self.assertNotIn("privileged", c)
        for forbidden in ("hostNetwork", "hostPID", "hostIPC"):
            self.assertNotIn(forbidden, self.pod)
        # Only volume types the restricted level allows.
        for v in self.pod["volumes"]:
            kinds = set(v) - {"name"}
            self.assertLessEqual(kinds, {"persistentVolumeClaim", "emptyDir", "configMap", "secret"}, v)

    def test_read_only_root_with_a_temporary_folder(self):
        c = self.container
        self.assertIs(c["securityContext"]["readOnlyRootFilesystem"], True)
        mounts = {m["mountPath"]: m["name"] for m in c["volumeMounts"]}
        volumes = {v["name"]: v for v in self.pod["volumes"]}
        self.assertIn("emptyDir", volumes[mounts["/tmp"]])
        self.assertIn("sizeLimit", volumes[mounts["/tmp"]]["emptyDir"])
        env = {e["name"]: e.get("value") for e in c["env"]}
        self.assertEqual(env.get("TMPDIR"), "/tmp")
        for request in ("requests", "limits"):
            self.assertIn("ephemeral-storage", c["resources"][request])

    def test_no_service_account_token_and_fs_group_without_a_walk(self):
        self.assertIs(self.pod["automountServiceAccountToken"], False)
        self.assertEqual(self.pod["securityContext"]["fsGroupChangePolicy"], "OnRootMismatch")

    def test_the_job_ends_and_a_usage_error_is_not_retried(self):
        spec = self.job["spec"]
        self.assertGreater(spec["activeDeadlineSeconds"], 0)
        self.assertGreater(spec["ttlSecondsAfterFinished"], 0)
        self.assertLess(spec["maxFailedIndexes"], spec["completions"])
        self.assertEqual(self.pod["restartPolicy"], "Never")  # what podFailurePolicy needs
        rules = spec["podFailurePolicy"]["rules"]
        usage = [r for r in rules if r.get("onExitCodes", {}).get("values") == [2]]
        self.assertEqual(len(usage), 1, rules)
        self.assertEqual(usage[0]["action"], "FailIndex")
        self.assertEqual(usage[0]["onExitCodes"]["operator"], "In")
        self.assertEqual(usage[0]["onExitCodes"]["containerName"], self.container["name"])
        for rule in rules:
            for condition in rule.get("onPodConditions", []):
                self.assertIn(condition.get("status"), ("True", "False", "Unknown"), rule)
        args = self.container["args"]
        timeout = args[args.index("--set") + 1]
        self.assertRegex(timeout, r"^Database\.StatementTimeout=[1-9][0-9]*$")

    def test_shards_and_claim_agree(self):
        args = self.container["args"]
        self.assertEqual(int(args[args.index("--shards") + 1]), self.job["spec"]["completions"])
        claim = self.pod["volumes"][0]["persistentVolumeClaim"]["claimName"]
        self.assertIsNotNone(self.claim, "the volume claim is defined nowhere")
        self.assertEqual(self.claim["metadata"]["name"], claim)
        self.assertIn("ReadWriteMany", self.claim["spec"]["accessModes"])

    def test_image_pinned(self):
        image = self.container["image"]
        self.assertNotRegex(image, r":latest$")
        self.assertRegex(image, r":[0-9]+\.[0-9]+\.[0-9]+(@sha256:[0-9a-f]{64})?$|@sha256:[0-9a-f]{64}$")


class SlurmScript(unittest.TestCase):
    def test_time_limit(self):
        self.assertRegex(read("burst-array.sbatch"), r"(?m)^#SBATCH --time=[0-9:-]+$")


class ContainerImage(unittest.TestCase):
    def test_base_pinned(self):
        text = read("Dockerfile")
        bases = re.findall(r"(?m)^ARG DEBIAN=(\S+)$", text)
        self.assertEqual(len(bases), 1)
        self.assertRegex(bases[0], r"^debian:12\.[0-9]+(@sha256:[0-9a-f]{64})?$")
        for line in re.findall(r"(?m)^FROM (\S+)", text):
            self.assertEqual(line, "${DEBIAN}")

    def test_fonts_of_the_setup_script(self):
        text = read("Dockerfile")
        with open(os.path.join(DEPLOY, "..", "run"), encoding="utf-8") as f:
            setup = f.read()
        fonts = set(re.findall(r"\bfonts-[a-z0-9-]+", setup))
        self.assertTrue(fonts)
        runtime = text[text.rindex("FROM "):]
        for font in sorted(fonts):
            self.assertIn(font, runtime)

    def test_entry_point_comes_from_the_install(self):
        text = read("Dockerfile")
        self.assertNotIn("deploy/entrypoint.sh", text)  # installed by cmake --install, as outside it
        self.assertIn('ENTRYPOINT ["/opt/oxqr/bin/oxqr-entrypoint"]', text)


if __name__ == "__main__":
    unittest.main(verbosity=2)
