// vorn-proxy as any OpenAI client sees it: the official Node client, talking
// to a proxy on loopback (VORN_PROXY_URL, VORN_PROXY_TOKEN) with the built-in
// writer and espeak-ng voice.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, writeFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import OpenAI from 'openai';

const baseURL = process.env.VORN_PROXY_URL;
const client = new OpenAI({ baseURL, apiKey: process.env.VORN_PROXY_TOKEN, maxRetries: 0, timeout: 20000 });

const messages = [
  { role: 'system', content: 'You are Vorn in Demon Mode.\nCurrent context:\nProgress: 1/3 tasks completed\n' },
  { role: 'user', content: "Write Vorn's message now." },
];

test('chat completion', async () => {
  const completion = await client.chat.completions.create({ model: 'vorn-builtin', messages });
  assert.equal(completion.object, 'chat.completion');
  assert.equal(completion.choices[0].message.role, 'assistant');
  assert.ok(completion.choices[0].message.content.trim().length > 0);
});

test('streamed chat completion', async () => {
  const stream = await client.chat.completions.create({ model: 'vorn-builtin', messages, stream: true });
  let text = '';
  let chunks = 0;
  let finish = null;
  for await (const chunk of stream) {
    chunks += 1;
    text += chunk.choices[0]?.delta?.content ?? '';
    finish = chunk.choices[0]?.finish_reason ?? finish;
  }
  assert.ok(chunks >= 3, `only ${chunks} chunks`);
  assert.ok(text.trim().length > 0);
  assert.equal(finish, 'stop');
});

test('speech is MP3', async () => {
  const speech = await client.audio.speech.create({ model: 'tts-1', voice: 'alloy', input: 'Back to work.' });
  const bytes = Buffer.from(await speech.arrayBuffer());
  const dir = mkdtempSync(join(tmpdir(), 'vorn-interop-'));
  try {
    const path = join(dir, 'speech.mp3');
    writeFileSync(path, bytes);
    const kind = execFileSync('file', ['-b', path]).toString();
    assert.match(kind, /MPEG ADTS, layer III|Audio file with ID3/);
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
});

test('models list', async () => {
  const ids = [];
  for await (const model of client.models.list()) ids.push(model.id);
  assert.ok(ids.includes('vorn-builtin'), ids.join(', '));
});

test('wrong token is an authentication error', async () => {
  const stranger = new OpenAI({ baseURL, apiKey: 'not-the-token-0123456789', maxRetries: 0 });
  await assert.rejects(stranger.models.list(), (error) => {
    assert.ok(error instanceof OpenAI.AuthenticationError, String(error));
    assert.equal(error.status, 401);
    return true;
  });
});
