// Reads a FIT file with Garmin's own decoder and prints what it found, one value a line:
// "<messages> <index> <field> <number>", dates as milliseconds since 1970, enumerations as their
// numbers, an array's elements as "<field>.<index>". The checks of the file as a whole come
// first, as "isFIT", "integrity" and "error" lines.
import { readFileSync } from "node:fs";
import { Decoder, Stream } from "@garmin/fitsdk";

const stream = Stream.fromBuffer(readFileSync(process.argv[2]));
const decoder = new Decoder(stream);
console.log(`isFIT ${decoder.isFIT()}`);
console.log(`integrity ${decoder.checkIntegrity()}`);
const { messages, errors } = decoder.read({ convertTypesToStrings: false });
for (const error of errors) console.log(`error ${String(error).replace(/\s+/g, " ")}`);
for (const [kind, list] of Object.entries(messages)) {
  list.forEach((message, index) => {
    for (const [field, value] of Object.entries(message)) {
      const number = value instanceof Date ? value.getTime() : value;
      if (typeof number === "number") console.log(`${kind} ${index} ${field} ${number}`);
      // An array's elements as field.0, field.1, ...
      if (Array.isArray(value))
        value.forEach((element, at) => {
          if (typeof element === "number") console.log(`${kind} ${index} ${field}.${at} ${element}`);
        });
    }
  });
}
