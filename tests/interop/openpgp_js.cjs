// OpenPGP.js (the engine of Proton's web mail, Mailvelope and FlowCrypt) as a
// peer of the interop tests, in its default settings, with the subcommands
// and arguments of the stateless OpenPGP command line that gosop and sqop
// take, so that the peer script drives all three alike. Data on standard
// input, result on standard output, exit code 1 on any refusal.
//
//   generate-key USERID                     an RSA key (GnuPG 1.4 has no curves)
//   extract-cert                            the public key of the key on input
//   sign KEY                                a detached signature
//   verify SIGNATURE CERT                   checks a detached signature
//   encrypt [--sign-with KEY] CERT          encrypts (and signs)
//   decrypt [--verify-with CERT --verify-out FILE] KEY
'use strict';
const fs = require('fs');
const openpgp = require('openpgp');

const read = (name) => fs.readFileSync(name);
const input = () => fs.readFileSync(0);
const readKey = async (name) => openpgp.readKey({ binaryKey: read(name) }).catch(() =>
    openpgp.readKey({ armoredKey: read(name).toString() }));
const readPrivateKey = async (name) =>
    openpgp.readPrivateKey({ armoredKey: read(name).toString() });
const readMessage = async (data) => openpgp.readMessage({ binaryMessage: data }).catch(() =>
    openpgp.readMessage({ armoredMessage: data.toString() }));
const readSignature = async (data) => openpgp.readSignature({ binarySignature: data }).catch(() =>
    openpgp.readSignature({ armoredSignature: data.toString() }));
const out = (data) => process.stdout.write(data);

// Takes "--name value" options off the front of the arguments.
function options(args) {
    const named = {};
    while (args.length > 1 && args[0].startsWith('--')) {
        named[args.shift().slice(2)] = args.shift();
    }
    return named;
}

// Throws unless every signature checked is valid.
async function allValid(signatures) {
    if (signatures.length === 0) {
        throw new Error('no signature');
    }
    for (const signature of signatures) {
        await signature.verified;
    }
}

const commands = {
    'generate-key': async ([userId]) => {
        const [, name, email] = /^(.*) <(.*)>$/.exec(userId);
        const { privateKey } = await openpgp.generateKey({
            type: 'rsa', rsaBits: 3072, userIDs: [{ name, email }], format: 'armored' });
        out(privateKey);
    },
    'extract-cert': async () => {
        const key = await openpgp.readPrivateKey({ armoredKey: input().toString() });
        out(key.toPublic().armor());
    },
    sign: async ([key]) => {
        const message = await openpgp.createMessage({ binary: input() });
        out(await openpgp.sign({ message, signingKeys: await readPrivateKey(key), detached: true }));
    },
    verify: async ([signature, cert]) => {
        const message = await openpgp.createMessage({ binary: input() });
        const { signatures } = await openpgp.verify({
            message, signature: await readSignature(read(signature)),
            verificationKeys: await readKey(cert) });
        await allValid(signatures);
    },
    encrypt: async (args) => {
        const named = options(args);
        const message = await openpgp.createMessage({ binary: input() });
        const signingKeys = named['sign-with'] ? await readPrivateKey(named['sign-with']) : undefined;
        out(await openpgp.encrypt({ message, encryptionKeys: await readKey(args[0]), signingKeys }));
    },
    decrypt: async (args) => {
        const named = options(args);
        const verificationKeys = named['verify-with'] ? await readKey(named['verify-with']) : undefined;
        const { data, signatures } = await openpgp.decrypt({
            message: await readMessage(input()), decryptionKeys: await readPrivateKey(args[0]),
            verificationKeys, format: 'binary' });
        if (verificationKeys) {
            await allValid(signatures);
            fs.writeFileSync(named['verify-out'], 'verified\n');
        }
        out(data);
    },
};

const [command, ...args] = process.argv.slice(2);
(commands[command] || (() => Promise.reject(new Error(`unknown command ${command}`))))(args)
    .catch((error) => {
        console.error(`openpgp.js: ${error.message}`);
        process.exit(1);
    });
