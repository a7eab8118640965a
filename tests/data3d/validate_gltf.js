// Runs the Khronos glTF validator over the model files named on the command line and prints one
// JSON line per file: path, counts of errors, warnings, infos and hints, the error and warning
// messages, and the node names the file holds. Exit code 0 when every file could be validated
// (the caller judges the counts), 2 when the validator package cannot be found.
// Usage: node validate_gltf.js VALIDATOR_DIR FILE...
"use strict";
const fs = require("fs");
const path = require("path");

const [validatorDir, ...files] = process.argv.slice(2);
let validator;
try {
  validator = require(path.resolve(validatorDir, "node_modules", "gltf-validator"));
} catch (e) {
  console.error("gltf-validator not found under " + validatorDir + ": " + e.message);
  process.exit(2);
}

function nodeNames(file, bytes) {
  let json;
  if (file.endsWith(".glb")) {
    const length = bytes.readUInt32LE(12);
    json = JSON.parse(bytes.subarray(20, 20 + length).toString("utf8"));
  } else {
    json = JSON.parse(bytes.toString("utf8"));
  }
  return (json.nodes || []).map((n) => n.name || "");
}

async function validate(file) {
  const bytes = fs.readFileSync(file);
  const report = await validator.validateBytes(new Uint8Array(bytes), {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)), (err, data) =>
          err ? reject(err.toString()) : resolve(new Uint8Array(data)));
      }),
  });
  const issues = report.issues;
  return {
    path: file,
    errors: issues.numErrors,
    warnings: issues.numWarnings,
    infos: issues.numInfos,
    hints: issues.numHints,
    messages: issues.messages
      .filter((m) => m.severity <= (process.env.GLTF_SEVERITY || 1))
      .map((m) => `${m.code} ${m.pointer || ""} ${m.message}`),
    nodes: nodeNames(file, bytes),
  };
}

(async () => {
  for (const file of files) {
    console.log(JSON.stringify(await validate(file)));
  }
})().catch((e) => {
  console.error(String(e));
  process.exit(1);
});
