// Reads a WARC file with the warcio package (an independent reader) and
// prints one line per record: type, target URI, HTTP status, payload length
// and the payload in hex ("-" when empty), separated by tabs.
// Usage: node warc_reader.mjs FILE.warc.gz WARCIO_MODULE_PATH
import fs from "fs";
import { pathToFileURL } from "url";

const { WARCParser } = await import(pathToFileURL(process.argv[3]).href);
const parser = new WARCParser(fs.createReadStream(process.argv[2]));
for await (const record of parser) {
  const payload = await record.readFully(false);
  const status = record.httpHeaders ? record.httpHeaders.statusCode : "-";
  console.log([record.warcType, record.warcTargetURI || "-", status, payload.length,
               Buffer.from(payload).toString("hex") || "-"].join("\t"));
}
