// Asks servers for their info, players and rules through gamedig's own API, as type
// counterstrike16, and prints one JSON object a line per server: address, name, map,
// numplayers, maxplayers, bots, version, players (name, score), rules; or address and
// error.
// Usage: node gamedig_query.cjs GAMEDIG_PREFIX IP:PORT...
// GAMEDIG_PREFIX is the folder whose node_modules holds gamedig.
'use strict'

const path = require('node:path')
const { createRequire } = require('node:module')

async function main () {
  const [prefix, ...addresses] = process.argv.slice(2)
  const { GameDig } = createRequire(path.join(path.resolve(prefix), 'package.json'))('gamedig')
  for (const address of addresses) {
    const colon = address.lastIndexOf(':')
    const host = address.slice(0, colon)
    const port = Number(address.slice(colon + 1))
    try {
      const state = await GameDig.query({
        type: 'counterstrike16',
        host,
        port,
        givenPortOnly: true,
        requestRules: true,
        requestRulesRequired: true,
        requestPlayersRequired: true,
        // Names are GBK bytes on the servers of this game's Chinese players.
        encoding: 'gbk',
        socketTimeout: 2000,
        attemptTimeout: 8000,
        maxRetries: 1
      })
      // gamedig files players with a time of -1 or beyond the bot count among bots.
      const players = [...state.players, ...state.bots].map((p) => ({
        name: p.name,
        score: p.raw.score
      }))
      console.log(JSON.stringify({
        address,
        name: state.name,
        map: state.map,
        numplayers: state.numplayers,
        maxplayers: state.maxplayers,
        bots: state.raw.numbots,
        version: state.version,
        players,
        rules: state.raw.rules
      }))
    } catch (error) {
      console.log(JSON.stringify({ address, error: String(error && error.message) }))
    }
  }
}

main().then(() => process.exit(0), (error) => {
  console.error(error)
  process.exit(1)
})
